#include "aboutwindow.h"
#include "appsettings.h"
#include "pelvane.h"
#include "preferencesdlg.h"
#include "scriptedprompts.h"
#include "workdir.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

template<typename T = QLineEdit> T *child(QWidget *parent, const char *name)
{
    T *widget = parent->findChild<T *>(QLatin1String(name));
    return widget ? widget : (qFatal("no child %s", name), nullptr);
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

    WorkDir m_dir;

private slots:
    void init() { QFile::remove(AppSettings::fileName()); }

    // Without a settings file the fields are empty; Ok stores both as typed, and the next Open
    // File dialog starts in the new directory.
    void okFromWindowMovesOpenFileDialog()
    {
        ScriptedPrompts prompts;
        Pelvane window;
        const QString typed = QString::fromUtf8("  /new/jürgen;x=1 ");
        QStringList shown;
        QTimer::singleShot(0, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            shown << child(dialog, "lineOpenDir")->text()
                  << child(dialog, "lineSaveImageDir")->text();
            child(dialog, "lineOpenDir")->setText(typed);
            child<QPushButton>(dialog, "pushButton_2")->click();
        });
        QVERIFY(QMetaObject::invokeMethod(&window, "prefs"));
        QCOMPARE(shown, QStringList({ "", "" }));
        SettingsFile settings;
        QCOMPARE(settings.value(AppSettings::DefaultUssDir).toString(), typed);
        QCOMPARE(settings.value(AppSettings::DefaultImageDir, "unset").toString(), QString());
        QVERIFY(QMetaObject::invokeMethod(&window, "open"));
        QCOMPARE(prompts.asked.size(), 1);
        QCOMPARE(prompts.asked[0].caption, QStringLiteral("Open File"));
        QCOMPARE(prompts.asked[0].dir, typed);
    }

    // Every Browse starts at the stored value, not at the field; a cancel leaves the field;
    // closing without Ok writes nothing.
    void browseStartsAtStoredValue()
    {
        {
            SettingsFile settings;
            settings.setValue(AppSettings::DefaultUssDir, "/stored/open");
            settings.setValue(AppSettings::DefaultImageDir, "/stored/images");
        }
        const QByteArray before = settingsBytes();
        ScriptedPrompts prompts;
        prompts.answers = QStringList { "/picked", "", "/picked", "" };
        preferencesDlg dialog;
        QCOMPARE(dialog.objectName(), QStringLiteral("preferencesDlgClass"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preferences"));
        QCOMPARE(child<QPushButton>(&dialog, "pushButton_2")->geometry(), QRect(340, 210, 75, 23));
        dialog.show();
        QCOMPARE(child(&dialog, "lineOpenDir")->text(), QStringLiteral("/stored/open"));
        for (int i = 0; i < 4; ++i) {
            child<QPushButton>(&dialog, i < 2 ? "pushButton" : "pushButton_3")->click();
            QCOMPARE(child(&dialog, i < 2 ? "lineOpenDir" : "lineSaveImageDir")->text(), "/picked");
            QCOMPARE(prompts.asked[i].kind, QStringLiteral("directory"));
            QCOMPARE(prompts.asked[i].caption,
                i < 2 ? "Choose default open file directory"
                      : "Choose default directory for saving images");
            QCOMPARE(prompts.asked[i].dir, i < 2 ? "/stored/open" : "/stored/images");
        }
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(settingsBytes(), before);
    }

    void about()
    {
        aboutWindow dialog;
        QCOMPARE(dialog.objectName(), QStringLiteral("aboutWindowClass"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About Pelvane"));
        const QString text = child<QLabel>(&dialog, "labelAbout")->text();
        QVERIFY2(text.startsWith("<b>Pelvane 0.6</b>"), qPrintable(text));
        QCOMPARE(child<QLabel>(&dialog, "label")->pixmap().size(), QSize(501, 88));
        QTimer::singleShot(0, [&] { child<QPushButton>(&dialog, "pushButton")->click(); });
        dialog.exec();
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
