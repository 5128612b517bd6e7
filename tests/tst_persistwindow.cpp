#include "appsettings.h"
#include "exporter.h"
#include "pelvane.h"
#include "savepicture.h"
#include "scriptedprompts.h"
#include "testsnapshot.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

using TestSnapshot::copperColourMoves;
using TestSnapshot::copperEnd;

constexpr int FirstListAt = 0x100; // in chip RAM
constexpr int SecondListAt = 0x400;

QList<std::uint16_t> colourWords(std::uint16_t first, std::uint16_t step)
{
    QList<std::uint16_t> words;
    for (int i = 0; i < 32; ++i)
        words << std::uint16_t((first + i * step) & 0x0FFF);
    return words;
}

// Two Copper lists in chip RAM, ECS and AGA colours: a palette for every source.
TestSnapshot::Builder paletteSnapshot()
{
    QByteArray chipRam(0x1000, '\0');
    TestSnapshot::putBytes(
        chipRam, FirstListAt, copperColourMoves(colourWords(0x123, 0x011)) + copperEnd());
    TestSnapshot::putBytes(
        chipRam, SecondListAt, copperColourMoves(colourWords(0xF00, 0x101)) + copperEnd());
    for (int i = 0x800; i < chipRam.size(); ++i)
        chipRam[i] = char(i * 7);
    QList<QRgb> aga;
    for (int i = 0; i < 256; ++i)
        aga << qRgb(i, 3 * i, 255 - i);
    return TestSnapshot::standardSnapshot(chipRam, colourWords(0x0A5, 0x021), aga);
}

QVariantList viewFields(const RipperState &s)
{
    QVariantList fields { s.offset, s.blXSize, s.blYSize, s.skip, s.bits, s.mode, s.skipmode,
        s.reverse, s.palsource, s.palsearchmode, s.palfound, s.palsearchpos };
    for (int entry : s.bitplaneorder)
        fields << entry;
    return fields;
}

void setView(Pelvane &window, int offset, int blXSize, int mode, bool reverse)
{
    RipperState &s = window.stateForTesting();
    s.offset = offset;
    s.blXSize = blXSize;
    s.blYSize = 50;
    s.skip = 8;
    s.bits = 3;
    s.mode = mode;
    s.skipmode = RipperState::SkipBitplanes;
    s.reverse = reverse;
    s.bitplaneorder = { 2, 0, 1, 3, 7, 6, 5, 4 };
    window.refreshView();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class PersistWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void paletteFoundAgainAfterLoad_data();
    void paletteFoundAgainAfterLoad();
    void cancelledStateDialogsChangeNothing();
    void unreadableStateShowsFileError_data();
    void unreadableStateShowsFileError();
    void warningsInOrderThenRefreshClamps();

    void dialogForm();
    void dialogWidgets_data();
    void dialogWidgets();
    void cancelledFileDialogKeepsDialogOpen();
    void successOnlyAfterWrite();
    void countsRaisedToOne_data();
    void countsRaisedToOne();
    void failuresReported_data();
    void failuresReported();
    void saveRunsDialogModally();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    void loadSnapshot(Pelvane &window);
    void searchPalette(Pelvane &window, QRadioButton *source, int times);

    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedPrompts> m_prompts;
};

void PersistWindowTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir::setCurrent(m_dir.path())); // settings.ini and the log stay in here
    QVERIFY(paletteSnapshot().writeTo(path("snap.uss")));
}

void PersistWindowTest::init()
{
    QFile::remove(AppSettings::fileName());
    m_prompts = std::make_unique<ScriptedPrompts>();
}

void PersistWindowTest::cleanup()
{
    m_prompts.reset();
}

void PersistWindowTest::loadSnapshot(Pelvane &window)
{
    window.loadSnapshot(path("snap.uss"));
    QVERIFY(window.state().fileLoaded);
}

void PersistWindowTest::searchPalette(Pelvane &window, QRadioButton *source, int times)
{
    source->click();
    for (int i = 0; i < times; ++i)
        window.form().buttonSearchPal->click();
}

void PersistWindowTest::paletteFoundAgainAfterLoad_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("searches");
    QTest::addColumn<int>("found"); // byte position of the palette in the file
    const TestSnapshot::Builder snap = paletteSnapshot();
    const int cram = int(snap.cramDataOffset());
    QTest::newRow("Simple, second list") << 0 << 2 << cram + SecondListAt;
    QTest::newRow("Advanced, second list") << 1 << 2 << cram + SecondListAt;
    QTest::newRow("ECS") << 2 << 1 << int(snap.chunkOffset("CHIP")) + 240;
    QTest::newRow("AGA") << 3 << 1 << int(snap.chunkOffset("AGAC")) + 12;
}

void PersistWindowTest::paletteFoundAgainAfterLoad()
{
    QFETCH(int, source);
    QFETCH(int, searches);
    QFETCH(int, found);
    Pelvane window;
    loadSnapshot(window);
    const Ui::PelvaneClass &ui = window.form();
    QRadioButton *sources[] = { ui.radioPaletteSimple, ui.radioPaletteAdvanced, ui.radioPaletteECS,
        ui.radioPaletteAGA };
    searchPalette(window, sources[source], searches);
    QCOMPARE(window.state().palfound, found);
    setView(window, 321, 12, RipperState::ModeST, true);
    const QVariantList saved = viewFields(window.state());
    const QList<QRgb> palette = window.state().canvas.colorTable();

    m_prompts->answers << path("view.plv");
    QVERIFY(QMetaObject::invokeMethod(&window, "saveState"));
    QCOMPARE(m_prompts->asked.size(), 1);
    QCOMPARE(m_prompts->asked[0].kind, QStringLiteral("save"));
    QCOMPARE(m_prompts->asked[0].caption, QStringLiteral("Save Ripper State"));
    QCOMPARE(m_prompts->asked[0].filter, QStringLiteral("Pelvane State (*.plv)"));

    // Another view in the default palette, another source selected.
    ui.buttonResetPal->click();
    searchPalette(window, sources[(source + 1) % 4], 0);
    setView(window, 0, 40, RipperState::ModeAM, false);
    QVERIFY(window.state().canvas.colorTable() != palette);

    m_prompts->answers << path("view.plv");
    QVERIFY(QMetaObject::invokeMethod(&window, "openState"));
    QCOMPARE(m_prompts->asked.size(), 2);
    QCOMPARE(m_prompts->asked[1].kind, QStringLiteral("open"));
    QCOMPARE(m_prompts->asked[1].caption, QStringLiteral("Open Ripper State"));
    QCOMPARE(m_prompts->asked[1].filter, QStringLiteral("Pelvane State (*.plv)"));
    QCOMPARE(m_prompts->shownTexts(), QStringList());
    QCOMPARE(window.state().palfound, found);
    QCOMPARE(window.state().canvas.colorTable(), palette);
    QVERIFY(sources[source]->isChecked());
    // Every field as saved; the search cursor is wherever the repeated search left it.
    QCOMPARE(viewFields(window.state()).mid(0, 11), saved.mid(0, 11));
    QCOMPARE(viewFields(window.state()).mid(12), saved.mid(12));
    QCOMPARE(ui.labelOffset->text(), QStringLiteral("321"));
}

void PersistWindowTest::cancelledStateDialogsChangeNothing()
{
    Pelvane window;
    loadSnapshot(window);
    setView(window, 99, 20, RipperState::ModeSP, false);
    const QVariantList before = viewFields(window.state());
    const QStringList filesBefore = QDir(m_dir.path()).entryList(QDir::Files);

    QVERIFY(QMetaObject::invokeMethod(&window, "saveState"));
    QVERIFY(QMetaObject::invokeMethod(&window, "openState"));
    QCOMPARE(m_prompts->asked.size(), 2);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), filesBefore);
    QCOMPARE(viewFields(window.state()), before);
    QCOMPARE(m_prompts->shownTexts(), QStringList());
}

void PersistWindowTest::unreadableStateShowsFileError_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("missing") << QStringLiteral("gone.plv") << QByteArray();
    QTest::newRow("directory") << QStringLiteral(".") << QByteArray();
    QTest::newRow("malformed") << QStringLiteral("bad.plv") << QByteArray("[General\nmode=3\n");
    QTest::newRow("binary") << QStringLiteral("bin.plv") << QByteArray("offset=5\n\0\x80", 11);
}

void PersistWindowTest::unreadableStateShowsFileError()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    if (!content.isEmpty())
        QVERIFY(writeFile(path(name), content));
    Pelvane window;
    loadSnapshot(window);
    setView(window, 77, 30, RipperState::ModeCplus, true);
    const QVariantList before = viewFields(window.state());
    const QList<QRgb> palette = window.state().canvas.colorTable();

    window.loadState(path(name));
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].title, QStringLiteral("File error"));
    QCOMPARE(m_prompts->shown[0].text, QStringLiteral("Can't open file!"));
    QCOMPARE(viewFields(window.state()), before);
    QCOMPARE(window.state().canvas.colorTable(), palette);
}

void PersistWindowTest::warningsInOrderThenRefreshClamps()
{
    Pelvane window;
    loadSnapshot(window);
    const int size = window.state().filesize;
    const QList<QRgb> palette = window.state().canvas.colorTable();
    QVERIFY(writeFile(path("edited.plv"),
        "[General]\nfilesize=123\noffset=99999999\nblYSize=0\nbits=12\nblXSize=40\n"
        "palsearchmode=7\nbitplaneorder=9, -1\n"));
    window.loadState(path("edited.plv"));

    QCOMPARE(m_prompts->shown.size(), 2);
    QCOMPARE(m_prompts->shown[0].title, QStringLiteral("Warning"));
    QCOMPARE(m_prompts->shown[0].text,
        QStringLiteral("File size in saved state is not the same as the .uss-file."));
    QCOMPARE(m_prompts->shown[1].title, QStringLiteral("Warning"));
    QCOMPARE(m_prompts->shown[1].text, QStringLiteral("Offset was set outside the end of file."));

    const RipperState &s = window.state();
    QCOMPARE(s.offset, size);
    QCOMPARE(window.form().horizontalSlider->value(), size);
    QCOMPARE(s.blYSize, 1);
    QCOMPARE(s.bits, 8);
    QCOMPARE(s.bitplaneorder[0], 7);
    QCOMPARE(s.bitplaneorder[1], 0);
    QCOMPARE(s.palsearchmode, 7); // no routine for it: the palette stays
    QCOMPARE(s.canvas.colorTable(), palette);
}

void PersistWindowTest::dialogForm()
{
    Pelvane window;
    savePicture dialog(&window);
    QCOMPARE(dialog.objectName(), QStringLiteral("savePictureClass"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Save Images"));
    QCOMPARE(dialog.size(), QSize(417, 228));
    QVERIFY(dialog.isModal());
    QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);
    QVERIFY(!dialog.windowIcon().isNull());
    QVERIFY(dialog.form().radioButtonLeft->isChecked());
    QVERIFY(!dialog.form().radioButtonUp->isChecked());
    QCOMPARE(dialog.form().radioButtonLeft->parentWidget(), &dialog);
    QCOMPARE(dialog.form().radioButtonUp->parentWidget(), &dialog);
}

void PersistWindowTest::dialogWidgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");
    const struct
    {
        const char *name, *className, *text;
        QRect geometry;
    } widgets[] = {
        { "label", "QLabel", "Filename:", { 30, 30, 46, 21 } },
        { "label_2", "QLabel", "Pictures in X:", { 30, 60, 62, 21 } },
        { "lineEditNumX", "QLineEdit", "1", { 110, 60, 41, 21 } },
        { "label_3", "QLabel", "Pictures in Y:", { 30, 90, 62, 21 } },
        { "lineEditNumY", "QLineEdit", "1", { 110, 90, 41, 21 } },
        { "label_4", "QLabel", "Border Around:", { 30, 120, 74, 21 } },
        { "lineEditBorder", "QLineEdit", "0", { 110, 120, 41, 21 } },
        { "label_5", "QLabel", "Color:", { 30, 150, 61, 21 } },
        { "lineEditColor", "QLineEdit", "253", { 110, 150, 41, 21 } },
        { "radioButtonLeft", "QRadioButton", "Left -> Right", { 230, 60, 83, 18 } },
        { "radioButtonUp", "QRadioButton", "Up -> Down", { 230, 90, 83, 18 } },
        { "pushButtonCancel", "QPushButton", "Cancel", { 250, 180, 75, 23 } },
        { "pushButtonSave", "QPushButton", "Save", { 330, 180, 75, 23 } },
    };
    for (const auto &w : widgets)
        QTest::newRow(w.name) << w.name << w.className << w.text << w.geometry;
}

void PersistWindowTest::dialogWidgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    savePicture dialog;
    QWidget *widget = dialog.findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), &dialog);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QTEST(widget->property("text").toString(), "text");
    QTEST(widget->geometry(), "geometry");
}

void PersistWindowTest::cancelledFileDialogKeepsDialogOpen()
{
    {
        SettingsFile settings;
        settings.setValue(AppSettings::DefaultImageDir, QStringLiteral("/pictures/out"));
    }
    Pelvane window;
    loadSnapshot(window);
    savePicture dialog(&window);
    dialog.show();
    const QStringList filesBefore = QDir(m_dir.path()).entryList(QDir::Files);
    dialog.form().pushButtonSave->click();

    QCOMPARE(m_prompts->asked.size(), 1);
    QCOMPARE(m_prompts->asked[0].kind, QStringLiteral("save"));
    QCOMPARE(m_prompts->asked[0].caption, QStringLiteral("Save Images"));
    QCOMPARE(m_prompts->asked[0].dir, QStringLiteral("/pictures/out"));
    QCOMPARE(m_prompts->asked[0].filter, QStringLiteral("PNG (*.png)"));
    QCOMPARE(m_prompts->shownTexts(), QStringList());
    QVERIFY(dialog.isVisible());
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), filesBefore);

    dialog.form().pushButtonCancel->click();
    QVERIFY(!dialog.isVisible());
}

void PersistWindowTest::successOnlyAfterWrite()
{
    Pelvane window;
    loadSnapshot(window);
    setView(window, 500, 4, RipperState::ModeAM, false);
    window.stateForTesting().palsearchpos = 1234;
    const QVariantList before = viewFields(window.state());

    savePicture dialog(&window);
    dialog.show();
    const Ui::savePictureClass &ui = dialog.form();
    ui.lineEditNumX->setText(QStringLiteral("3"));
    ui.lineEditNumY->setText(QStringLiteral("2"));
    ui.lineEditBorder->setText(QStringLiteral("2"));
    ui.radioButtonUp->click();
    m_prompts->answers << path("grid.png") << path("grid2.png");
    ui.pushButtonSave->click();

    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].title, QStringLiteral("Information"));
    QCOMPARE(m_prompts->shown[0].text, QStringLiteral("Image saved succesfully"));
    QVERIFY(dialog.isVisible());
    Exporter::Request request;
    request.picturesX = 3;
    request.picturesY = 2;
    request.border = 2;
    request.leftToRight = false;
    QCOMPARE(QImage(path("grid.png")), Exporter::compose(window.state(), request));
    QCOMPARE(viewFields(window.state()), before);

    ui.pushButtonSave->click(); // asks again, with the same values
    QCOMPARE(m_prompts->asked.size(), 2);
    QCOMPARE(fileBytes(path("grid2.png")), fileBytes(path("grid.png")));
}

void PersistWindowTest::countsRaisedToOne_data()
{
    QTest::addColumn<QString>("count");
    QTest::newRow("zero") << QStringLiteral("0");
    QTest::newRow("negative") << QStringLiteral("-3");
    QTest::newRow("text") << QStringLiteral("many");
    QTest::newRow("empty") << QString();
}

void PersistWindowTest::countsRaisedToOne()
{
    QFETCH(QString, count);
    Pelvane window;
    loadSnapshot(window);
    savePicture dialog(&window);
    dialog.form().lineEditNumX->setText(count);
    dialog.form().lineEditNumY->setText(count);
    dialog.form().lineEditBorder->setText(QStringLiteral("x")); // counts as 0
    m_prompts->answers << path("one.png");
    dialog.form().pushButtonSave->click();
    const RipperState &s = window.state();
    QCOMPARE(QImage(path("one.png")).size(), QSize(8 * s.blXSize, s.blYSize));
    QCOMPARE(m_prompts->shownTexts(), QStringList { "Image saved succesfully" });
}

void PersistWindowTest::failuresReported_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("border");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("unwritable") << QStringLiteral("missing/out.png") << QStringLiteral("0")
                                << QStringLiteral("missing/out.png");
    QTest::newRow("too large") << QStringLiteral("huge.png") << QStringLiteral("40000")
                               << QStringLiteral("32767");
    QTest::newRow("no pixels") << QStringLiteral("none.png") << QStringLiteral("-1000")
                               << QString();
}

void PersistWindowTest::failuresReported()
{
    QFETCH(QString, target);
    QFETCH(QString, border);
    QFETCH(QString, mentions);
    Pelvane window;
    loadSnapshot(window);
    savePicture dialog(&window);
    dialog.show();
    dialog.form().lineEditBorder->setText(border);
    m_prompts->answers << path(target);
    dialog.form().pushButtonSave->click();

    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].title, QStringLiteral("Export error"));
    QVERIFY(m_prompts->shown[0].text != QStringLiteral("Image saved succesfully"));
    QVERIFY2(m_prompts->shown[0].text.contains(mentions), qPrintable(m_prompts->shown[0].text));
    QVERIFY(!QFile::exists(path(target)));
    QVERIFY(dialog.isVisible());
}

void PersistWindowTest::saveRunsDialogModally()
{
    Pelvane window;
    loadSnapshot(window);
    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<savePicture *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen << dialog->parentWidget()->objectName() << dialog->form().lineEditColor->text();
        dialog->form().lineEditColor->setText(QStringLiteral("9"));
        dialog->form().pushButtonCancel->click();
    });
    QVERIFY(QMetaObject::invokeMethod(&window, "save"));
    QCOMPARE(seen, (QStringList { "PelvaneClass", "253" }));
    QVERIFY(window.findChildren<savePicture *>().isEmpty()); // gone with its values
}

QTEST_MAIN(PersistWindowTest)
#include "tst_persistwindow.moc"
