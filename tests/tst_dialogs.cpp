#include "aboutwindow.h"
#include "appsettings.h"
#include "preferencesdlg.h"
#include "scriptedprompts.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

template<typename T> T *child(QWidget &parent, const char *name)
{
    T *widget = parent.findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no child widget %s", name);
    return widget;
}

void click(QWidget &dialog, const char *buttonName)
{
    child<QPushButton>(dialog, buttonName)->click();
}

QString field(QWidget &dialog, const char *name)
{
    return child<QLineEdit>(dialog, name)->text();
}

void storeDirectories(const QString &openDir, const QString &imageDir)
{
    SettingsFile settings;
    settings.setValue(AppSettings::DefaultUssDir, openDir);
    settings.setValue(AppSettings::DefaultImageDir, imageDir);
}

QByteArray settingsBytes()
{
    QFile file(AppSettings::fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class DialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void preferencesForm();
    void preferencesGeometry_data();
    void preferencesGeometry();
    void fieldsEmptyWithoutSettingsFile();
    void fieldsShowStoredValues();
    void okAtOnceStoresEmptyStrings();
    void okStoresFieldsAsTyped_data();
    void okStoresFieldsAsTyped();
    void okEndsModalRun();
    void browseStartsAtStoredValue_data();
    void browseStartsAtStoredValue();
    void cancelledBrowseLeavesField();
    void closingWithoutOkWritesNothing_data();
    void closingWithoutOkWritesNothing();

    void aboutForm();
    void aboutTextLeadsWithNameAndVersion();
    void aboutOkEndsModalRun();

private:
    QTemporaryDir workDir;
};

void DialogsTest::initTestCase()
{
    QVERIFY(workDir.isValid());
    QVERIFY(QDir::setCurrent(workDir.path()));
}

void DialogsTest::init()
{
    QFile::remove(AppSettings::fileName());
}

void DialogsTest::preferencesForm()
{
    preferencesDlg dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("preferencesDlgClass"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Preferences"));
    QCOMPARE(dialog.size(), QSize(429, 249));
    QCOMPARE(dialog.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(dialog.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    QVERIFY(dialog.isModal());
    QVERIFY(!dialog.windowIcon().isNull());
    QVERIFY(!dialog.layout());
}

void DialogsTest::preferencesGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    QTest::newRow("label") << "label" << QRect(20, 40, 181, 20)
                           << "Default directory for opening files:";
    QTest::newRow("lineOpenDir") << "lineOpenDir" << QRect(20, 60, 311, 20) << "";
    QTest::newRow("label_2") << "label_2" << QRect(20, 90, 181, 20)
                             << "Default directory for saving images:";
    QTest::newRow("lineSaveImageDir") << "lineSaveImageDir" << QRect(20, 110, 311, 20) << "";
    QTest::newRow("pushButton") << "pushButton" << QRect(340, 60, 75, 23) << "Browse...";
    QTest::newRow("pushButton_3") << "pushButton_3" << QRect(340, 110, 75, 23) << "Browse...";
    QTest::newRow("pushButton_2") << "pushButton_2" << QRect(340, 210, 75, 23) << "Ok";
}

void DialogsTest::preferencesGeometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);

    preferencesDlg dialog;
    QWidget *widget = dialog.findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), &dialog);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->property("text").toString(), text);
}

void DialogsTest::fieldsEmptyWithoutSettingsFile()
{
    preferencesDlg dialog;
    QCOMPARE(field(dialog, "lineOpenDir"), QString());
    QCOMPARE(field(dialog, "lineSaveImageDir"), QString());
    QVERIFY(!QFile::exists(AppSettings::fileName()));
}

void DialogsTest::fieldsShowStoredValues()
{
    storeDirectories("/amiga/snapshots", "/amiga/rips");
    preferencesDlg dialog;
    QCOMPARE(field(dialog, "lineOpenDir"), QStringLiteral("/amiga/snapshots"));
    QCOMPARE(field(dialog, "lineSaveImageDir"), QStringLiteral("/amiga/rips"));
}

void DialogsTest::okAtOnceStoresEmptyStrings()
{
    {
        preferencesDlg dialog;
        click(dialog, "pushButton_2");
    }
    QVERIFY(QFile::exists(AppSettings::fileName()));
    SettingsFile settings;
    QVERIFY(settings.contains(AppSettings::DefaultUssDir));
    QVERIFY(settings.contains(AppSettings::DefaultImageDir));
    QCOMPARE(settings.value(AppSettings::DefaultUssDir, "unset").toString(), QString());
    QCOMPARE(settings.value(AppSettings::DefaultImageDir, "unset").toString(), QString());
}

void DialogsTest::okStoresFieldsAsTyped_data()
{
    QTest::addColumn<QString>("openDir");
    QTest::addColumn<QString>("imageDir");

    QTest::newRow("nonexistent") << "/no/such/directory"
                                 << "/neither/this/one";
    QTest::newRow("untrimmed") << "  /with spaces/  "
                               << "\t/tab";
    QTest::newRow("windows style") << "C:\\Amiga\\Snapshots"
                                   << "D:\\Rips;x=1";
    QTest::newRow("one empty") << ""
                               << "relative/dir";
    QTest::newRow("non-ascii") << QString::fromUtf8("/home/jürgen/ß") << "/#comment=[x]";
}

void DialogsTest::okStoresFieldsAsTyped()
{
    QFETCH(QString, openDir);
    QFETCH(QString, imageDir);

    storeDirectories("/old/open", "/old/images");
    {
        preferencesDlg dialog;
        child<QLineEdit>(dialog, "lineOpenDir")->setText(openDir);
        child<QLineEdit>(dialog, "lineSaveImageDir")->setText(imageDir);
        click(dialog, "pushButton_2");
    }
    SettingsFile settings;
    QCOMPARE(settings.value(AppSettings::DefaultUssDir).toString(), openDir);
    QCOMPARE(settings.value(AppSettings::DefaultImageDir).toString(), imageDir);

    preferencesDlg reopened;
    QCOMPARE(field(reopened, "lineOpenDir"), openDir);
    QCOMPARE(field(reopened, "lineSaveImageDir"), imageDir);
}

void DialogsTest::okEndsModalRun()
{
    preferencesDlg dialog;
    child<QLineEdit>(dialog, "lineOpenDir")->setText("/typed");
    QTimer::singleShot(0, &dialog, [&dialog] { click(dialog, "pushButton_2"); });
    dialog.exec();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(SettingsFile().value(AppSettings::DefaultUssDir).toString(), QStringLiteral("/typed"));
}

void DialogsTest::browseStartsAtStoredValue_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("fieldName");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("stored");

    QTest::newRow("open dir") << "pushButton"
                              << "lineOpenDir"
                              << "Choose default open file directory"
                              << "/stored/open";
    QTest::newRow("image dir") << "pushButton_3"
                               << "lineSaveImageDir"
                               << "Choose default directory for saving images"
                               << "/stored/images";
}

void DialogsTest::browseStartsAtStoredValue()
{
    QFETCH(QString, button);
    QFETCH(QString, fieldName);
    QFETCH(QString, caption);
    QFETCH(QString, stored);

    storeDirectories("/stored/open", "/stored/images");
    const QByteArray before = settingsBytes();
    ScriptedPrompts prompts;
    prompts.answers = QStringList { "/picked/first", "/picked/second" };

    preferencesDlg dialog;
    QLineEdit *edit = child<QLineEdit>(dialog, fieldName.toLatin1().constData());
    edit->setText("/typed/but/not/stored");

    click(dialog, button.toLatin1().constData());
    QCOMPARE(edit->text(), QStringLiteral("/picked/first"));
    click(dialog, button.toLatin1().constData());
    QCOMPARE(edit->text(), QStringLiteral("/picked/second"));

    QCOMPARE(prompts.asked.size(), 2);
    for (const ScriptedPrompts::Asked &asked : prompts.asked) {
        QCOMPARE(asked.kind, QStringLiteral("directory"));
        QCOMPARE(asked.caption, caption);
        QCOMPARE(asked.dir, stored);
    }
    QCOMPARE(settingsBytes(), before);
}

void DialogsTest::cancelledBrowseLeavesField()
{
    ScriptedPrompts prompts; // no answers: every dialog is cancelled
    preferencesDlg dialog;
    child<QLineEdit>(dialog, "lineOpenDir")->setText("/kept");
    child<QLineEdit>(dialog, "lineSaveImageDir")->setText("/kept/too");
    click(dialog, "pushButton");
    click(dialog, "pushButton_3");
    QCOMPARE(prompts.asked.size(), 2);
    QCOMPARE(prompts.asked.at(0).dir, QString());
    QCOMPARE(field(dialog, "lineOpenDir"), QStringLiteral("/kept"));
    QCOMPARE(field(dialog, "lineSaveImageDir"), QStringLiteral("/kept/too"));
}

void DialogsTest::closingWithoutOkWritesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("fileExists");

    for (const char *how : { "reject", "close", "escape" }) {
        QTest::addRow("%s, no file", how) << how << false;
        QTest::addRow("%s, stored values", how) << how << true;
    }
}

void DialogsTest::closingWithoutOkWritesNothing()
{
    QFETCH(QString, how);
    QFETCH(bool, fileExists);

    if (fileExists)
        storeDirectories("/stored/open", "/stored/images");
    const QByteArray before = settingsBytes();
    ScriptedPrompts prompts;
    prompts.answers = QStringList { "/picked" };

    preferencesDlg dialog;
    dialog.show();
    click(dialog, "pushButton");
    child<QLineEdit>(dialog, "lineSaveImageDir")->setText("/typed");
    if (how == "reject")
        dialog.reject();
    else if (how == "close")
        dialog.close();
    else
        QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());

    QCOMPARE(QFile::exists(AppSettings::fileName()), fileExists);
    QCOMPARE(settingsBytes(), before);
}

void DialogsTest::aboutForm()
{
    aboutWindow dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("aboutWindowClass"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("About Pelvane"));
    QCOMPARE(dialog.size(), QSize(499, 300));

    QPushButton *ok = child<QPushButton>(dialog, "pushButton");
    QCOMPARE(ok->geometry(), QRect(410, 270, 75, 23));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(child<QLabel>(dialog, "labelAbout")->geometry(), QRect(40, 120, 431, 91));

    QLabel *logo = child<QLabel>(dialog, "label");
    QCOMPARE(logo->geometry(), QRect(0, 0, 501, 88));
    QCOMPARE(logo->text(), QString());
    QVERIFY(!logo->pixmap().isNull());
    QCOMPARE(logo->pixmap().size(), QSize(501, 88));
}

void DialogsTest::aboutTextLeadsWithNameAndVersion()
{
    aboutWindow dialog;
    const QString text = child<QLabel>(dialog, "labelAbout")->text();
    QVERIFY2(text.startsWith("<b>Pelvane 0.6</b>"), qPrintable(text));
    QCOMPARE(text.count("<br>"), 2);
    QVERIFY(Qt::mightBeRichText(text));
}

void DialogsTest::aboutOkEndsModalRun()
{
    aboutWindow dialog;
    QTimer::singleShot(0, &dialog, [&dialog] { click(dialog, "pushButton"); });
    dialog.exec();
    QVERIFY(!dialog.isVisible());
}

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
