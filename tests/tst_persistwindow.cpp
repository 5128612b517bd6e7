#include "appsettings.h"
#include "exporter.h"
#include "pelvane.h"
#include "savepicture.h"
#include "scriptedprompts.h"
#include "testsnapshot.h"
#include "workdir.h"

#include <QTest>

namespace {

constexpr int SecondListAt = 0x400; // in chip RAM

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
    using namespace TestSnapshot;
    QByteArray chipRam(0x1000, '\0');
    putBytes(chipRam, 0x100, copperColourMoves(colourWords(0x123, 0x011)) + copperEnd());
    putBytes(chipRam, SecondListAt, copperColourMoves(colourWords(0xF00, 0x101)) + copperEnd());
    return standardSnapshot(chipRam, colourWords(0x0A5, 0x021), QList<QRgb>(256, qRgb(9, 8, 7)));
}

QVariantList viewFields(const RipperState &s)
{
    QVariantList fields { s.offset, s.blXSize, s.blYSize, s.skip, s.bits, s.mode, s.skipmode,
        s.reverse, s.palsource, s.palsearchmode, s.palfound, s.palsearchpos };
    for (int entry : s.bitplaneorder)
        fields << entry;
    return fields;
}

// A view with no field at its initial value when `unusual`, else the initial one.
void setView(Pelvane &window, int offset, bool unusual)
{
    RipperState &s = window.stateForTesting();
    std::tie(s.blXSize, s.blYSize, s.skip, s.bits, s.mode, s.skipmode) = unusual
        ? std::make_tuple(12, 50, 8, 3, int(RipperState::ModeST), int(RipperState::SkipBitplanes))
        : std::make_tuple(40, 200, 0, 1, 0, 0);
    s.offset = offset;
    s.reverse = unusual;
    s.bitplaneorder = unusual ? std::array<int, 8> { 2, 0, 1, 3, 7, 6, 5, 4 }
                              : std::array<int, 8> { 0, 1, 2, 3, 4, 5, 6, 7 };
    window.refreshView();
}

} // namespace

class PersistWindowTest : public QObject
{
    Q_OBJECT

    WorkDir m_dir;
    std::unique_ptr<ScriptedPrompts> m_prompts;

    void loadSnapshot(Pelvane &window)
    {
        window.loadSnapshot(m_dir.filePath("snap.uss"));
        QVERIFY(window.state().fileLoaded);
        setView(window, 321, true);
    }

    // The message boxes shown, as "title: text".
    QStringList boxes() const
    {
        QStringList list;
        for (const ScriptedPrompts::Shown &box : m_prompts->shown)
            list << box.title + ": " + box.text;
        return list;
    }

private slots:
    void initTestCase() { QVERIFY(paletteSnapshot().writeTo(m_dir.filePath("snap.uss"))); }
    void init() { m_prompts = std::make_unique<ScriptedPrompts>(); }
    void cleanup() { m_prompts.reset(); }

    void paletteFoundAgainAfterLoad_data()
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

    // Cancelled dialogs change nothing; a saved state restores every field and the palette.
    void paletteFoundAgainAfterLoad()
    {
        QFETCH(int, source);
        QFETCH(int, searches);
        QFETCH(int, found);
        Pelvane window;
        loadSnapshot(window);
        const Ui::PelvaneClass &ui = window.form();
        QRadioButton *sources[] = { ui.radioPaletteSimple, ui.radioPaletteAdvanced,
            ui.radioPaletteECS, ui.radioPaletteAGA };
        sources[source]->click();
        for (int i = 0; i < searches; ++i)
            ui.buttonSearchPal->click();
        QCOMPARE(window.state().palfound, found);
        const QVariantList saved = viewFields(window.state());
        const QList<QRgb> palette = window.state().canvas.colorTable();
        const QString file = m_dir.filePath(QTest::currentDataTag());
        m_prompts->answers << QString() << file << QString() << file;
        QVERIFY(QMetaObject::invokeMethod(&window, "saveState"));
        QVERIFY(!QFile::exists(file));
        QVERIFY(QMetaObject::invokeMethod(&window, "saveState"));

        ui.buttonResetPal->click();
        sources[(source + 1) % 4]->click();
        setView(window, 0, false);
        const QVariantList other = viewFields(window.state());
        QVERIFY(window.state().canvas.colorTable() != palette);
        QVERIFY(QMetaObject::invokeMethod(&window, "openState"));
        QCOMPARE(viewFields(window.state()), other);
        QVERIFY(QMetaObject::invokeMethod(&window, "openState"));
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(
                m_prompts->asked[i].caption, i < 2 ? "Save Ripper State" : "Open Ripper State");
            QCOMPARE(m_prompts->asked[i].filter, QStringLiteral("Pelvane State (*.plv)"));
        }
        QCOMPARE(boxes(), QStringList());
        QCOMPARE(window.state().canvas.colorTable(), palette);
        QVERIFY(sources[source]->isChecked());
        // Every field as saved; the search cursor is wherever the repeated search left it.
        QCOMPARE(viewFields(window.state()).mid(0, 11), saved.mid(0, 11));
        QCOMPARE(viewFields(window.state()).mid(12), saved.mid(12));
    }

    void loadStateBoxes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("shown");
        const QStringList error { "File error: Can't open file!" };
        QTest::newRow("missing") << "gone.plv" << QByteArray() << error;
        QTest::newRow("directory") << "." << QByteArray() << error;
        QTest::newRow("malformed") << "bad.plv" << QByteArray("[General\nmode=3\n") << error;
        QTest::newRow("binary") << "bin.plv" << QByteArray("offset=5\n\0\x80", 11) << error;
        QTest::newRow("huge") << "huge.plv"
                              << "mode=3\n;" + QByteArray(2 << 20, 'x') << error;
        QTest::newRow("edited") << "edited.plv"
                                << QByteArray("[General]\nfilesize=123\noffset=99999999\n"
                                              "blYSize=0\nbits=12\nblXSize=40\n"
                                              "palsearchmode=7\nbitplaneorder=9, -1\n")
                                << QStringList {
                                       "Warning: File size in saved state is not the same as the "
                                       ".uss-file.",
                                       "Warning: Offset was set outside the end of file."
                                   };
    }

    // An unreadable file changes nothing; warnings come file size first, then the refresh
    // clamps what the file holds. Twice, as QSettings caches the files it has parsed.
    void loadStateBoxes()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, shown);
        if (!content.isEmpty())
            m_dir.writeFile(name, content);
        Pelvane window;
        loadSnapshot(window);
        const QVariantList before = viewFields(window.state());
        const QList<QRgb> palette = window.state().canvas.colorTable();
        window.loadState(m_dir.filePath(name));
        window.loadState(m_dir.filePath(name));
        QCOMPARE(boxes(), shown + shown);
        const RipperState &s = window.state();
        QCOMPARE(s.canvas.colorTable(), palette); // no routine for source 7: the palette stays
        QCOMPARE(viewFields(s) == before, shown.size() == 1); // read or not at all
        if (shown.size() == 1)
            return;
        QCOMPARE(s.offset, s.filesize);
        QCOMPARE(window.form().horizontalSlider->value(), s.filesize);
        QCOMPARE(s.blYSize, 1);
        QCOMPARE(s.bits, 8);
        QCOMPARE(viewFields(s).mid(12, 2), QVariantList({ 7, 0 })); // order entries clamped
    }

    // Pictures in X, in Y and the border as typed; the pictures the file should hold, if any.
    void exportFromWindow_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QSize>("pictures");
        const auto row = [](const char *name, const char *typed, const QString &target,
                             const QString &box, QSize pictures = QSize()) {
            QTest::newRow(name) << QString(typed).split(' ') << target << box << pictures;
        };
        const QString existing(250, 'e'); // its temporary sibling's name is too long to create
        const QString saved = QStringLiteral("Image saved succesfully");
        row("3 x 2, border 2", "3 2 2", "a.png", saved, QSize(3, 2));
        row("zero, text", "0 0 x", "b.png", saved, QSize(1, 1));
        row("negative, text", "-3 many 0", "c.png", saved, QSize(1, 1));
        row("missing directory", "1 1 0", "no/d.png", "no/d.png");
        row("directory", "1 1 0", "dir", "dir");
        row("below a file", "1 1 0", "snap.uss/e.png", "snap.uss/e.png");
        row("existing file kept", "1 1 0", existing, existing);
        row("too large", "1 1 40000", "f.png", "32767");
        row("no pixels", "1 1 -1000", "g.png", "pixels");
    }

    // A cancelled file dialog shows nothing; then the file is written or a box tells why not,
    // the dialog stays open and the view is untouched either way.
    void exportFromWindow()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, target);
        QFETCH(QString, box);
        QFETCH(QSize, pictures);
        SettingsFile().setValue(AppSettings::DefaultImageDir, QStringLiteral("/pictures/out"));
        m_dir.writeFile(QString(250, 'e'), "old");
        QDir(m_dir.path()).mkdir("dir");
        Pelvane window;
        loadSnapshot(window);
        window.stateForTesting().palsearchpos = 1234;
        const QVariantList before = viewFields(window.state());
        m_prompts->answers << QString() << m_dir.filePath(target);
        savePicture dialog(&window);
        QCOMPARE(dialog.objectName(), QStringLiteral("savePictureClass"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Save Images"));
        dialog.show();
        const Ui::savePictureClass &ui = dialog.form();
        ui.lineEditNumX->setText(typed[0]);
        ui.lineEditNumY->setText(typed[1]);
        ui.lineEditBorder->setText(typed[2]);
        ui.radioButtonUp->click();
        ui.pushButtonSave->click();
        QCOMPARE(boxes(), QStringList());
        QVERIFY(dialog.isVisible());
        ui.pushButtonSave->click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(m_prompts->asked.size(), 2);
        QCOMPARE(m_prompts->asked[1].caption, QStringLiteral("Save Images"));
        QCOMPARE(m_prompts->asked[1].dir, QStringLiteral("/pictures/out"));
        QCOMPARE(m_prompts->asked[1].filter, QStringLiteral("PNG (*.png)"));
        QCOMPARE(boxes().size(), 1);
        QVERIFY2(boxes()[0].startsWith(pictures.isValid() ? "Information: " : "Export error: ")
                && boxes()[0].contains(box),
            qPrintable(boxes()[0]));
        const Exporter::Request request { pictures.width(), pictures.height(), false,
            typed[2].toInt(), 253 };
        QCOMPARE(QImage(m_dir.filePath(target)),
            pictures.isValid() ? Exporter::compose(window.state(), request) : QImage());
        QCOMPARE(m_dir.readFile(QString(250, 'e')), QByteArray("old"));
        QCOMPARE(viewFields(window.state()), before);
    }
};

QTEST_MAIN(PersistWindowTest)
#include "tst_persistwindow.moc"
