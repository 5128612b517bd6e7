// What the main window adds to the core: controls following the state, keys, menus, dialogs
// through the prompts seam, state files and export from the window, settings and log on disk;
// the picture area as an instrument: the readout under the pointer, double-click to make a
// picture the first with Backspace to go back, and zoom.
#include "aboutwindow.h"
#include "appsettings.h"
#include "exporter.h"
#include "grid.h"
#include "palette.h"
#include "preferencesdlg.h"
#include "savepicture.h"
#include "testsnapshot.h"
#include "windowfixture.h"

#include <QApplication>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <tuple>

namespace {

using namespace TestSnapshot;

// Two Copper lists (the first at an odd address), ECS and AGA colours: a palette for every source.
const Builder &paletteSnapshot()
{
    static const Builder snapshot = [] {
        QByteArray ram(0x3000, '\0');
        putBytes(ram, 0x1001, copperColourMoves(sampleWords(32, 7)) + copperEnd());
        putBytes(ram, 0x2000, copperColourMoves(sampleWords(32, 9)) + copperEnd());
        return standardSnapshot(ram, sampleWords(63, 1), QList<QRgb>(256, qRgb(1, 2, 3)));
    }();
    return snapshot;
}

QString hex(QRgb colour)
{
    return QString::number(colour & 0xFFFFFF, 16);
}

// The state's fields by the names the rows use.
QMap<QString, QString> fields(const RipperState &s)
{
    QStringList order;
    for (int entry : s.bitplaneorder)
        order << QString::number(entry);
    const QImage &c = s.canvas;
    const QList<QRgb> table = c.colorTable();
    QMap<QString, QString> map { { "order", order.join(',') }, { "c0", hex(c.color(0)) },
        { "c31", hex(c.color(31)) }, { "c255", hex(c.color(255)) },
        { "default", QString::number(table == Palette::defaultColors()) },
        { "palette", QString::number(qHashRange(table.cbegin(), table.cend())) } };
    const std::pair<const char *, int> numbers[] = { { "offset", s.offset }, { "w", s.blXSize },
        { "h", s.blYSize }, { "bits", s.bits }, { "mode", s.mode }, { "skip", s.skip },
        { "skipmode", s.skipmode }, { "reverse", s.reverse }, { "palsource", s.palsource },
        { "palmode", s.palsearchmode }, { "palfound", s.palfound }, { "palpos", s.palsearchpos } };
    for (auto [name, value] : numbers)
        map[name] = QString::number(value);
    return map;
}

// What every refresh promises: each control shows its field, the grid size follows the picture
// size, the controls are enabled with a snapshot, the canvas is the literal drawing and shown.
void checkView(const Pelvane &window)
{
    const Ui::PelvaneClass &ui = window.form();
    const RipperState &s = window.state();
    QStringList controls { ui.labelNums->text(), ui.labelPalettePos->text() };
    QStringList expected { QString("NumX: %1\nNumY: %2")
                               .arg(std::max(1, 802 / (8 * s.blXSize + 2)))
                               .arg(std::max(1, 602 / (s.blYSize + 2))),
        QString::number(s.palfound) };
    const auto pair = [&](const QString &name, int value, int text) {
        const QString slider = name == "Offset" ? "horizontalSlider" : "slider" + name;
        controls << QString::number(window.findChild<QSlider *>(slider)->value()) + '/'
                + window.findChild<QLabel *>("label" + name)->text();
        expected << QString("%1/%2").arg(value).arg(text);
    };
    pair("Offset", s.offset, s.offset);
    pair("XSize", s.blXSize, 8 * s.blXSize);
    pair("YSize", s.blYSize, s.blYSize);
    pair("Bits", s.bits, s.bits);
    pair("SkipAmount", s.skip, s.skip);
    for (int j = 0; j < 8; ++j)
        pair(QString("Bit%1").arg(j), s.bitplaneorder[j], s.bitplaneorder[j]);
    QCOMPARE(controls, expected);
    const QList<const QRadioButton *> modes { ui.radioModeAM, ui.radioModeST, ui.radioModeSP,
        ui.radioModeCplus, ui.radioModeCminus },
        sources { ui.radioPaletteSimple, ui.radioPaletteAdvanced, ui.radioPaletteECS,
            ui.radioPaletteAGA };
    for (const QRadioButton *checked : { modes.value(s.mode), sources.value(s.palsource) })
        QVERIFY(!checked || checked->isChecked()); // none for values only a state file holds
    QVERIFY((s.skipmode ? ui.radioSkipModeBitplanes : ui.radioSkipModePictures)->isChecked());
    const auto options = Qt::FindDirectChildrenOnly;
    for (const QWidget *w : ui.centralWidget->findChildren<QWidget *>(QString(), options))
        QVERIFY2(
            w->isEnabled() == (s.fileLoaded || w == ui.labelPicture), qPrintable(w->objectName()));
    QCOMPARE(ui.labelPicture->pixmap().isNull(), !s.fileLoaded);
    if (!s.fileLoaded)
        return;
    QImage literal(800, 600, QImage::Format_Indexed8);
    literal.setColorTable(s.canvas.colorTable());
    Grid::drawGridLiteral(s, literal);
    QCOMPARE(s.canvas, literal);
    const QImage shown = ui.labelPicture->pixmap().toImage();
    QCOMPARE(shown, s.canvas.convertToFormat(shown.format()));
}

// Steps: "slider=value", a button's name, else a key sequence.
void apply(WindowFixture &f, const QString &steps)
{
    for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
        if (auto *slider = f.window.findChild<QSlider *>(step.section('=', 0, 0)))
            slider->setValue(step.section('=', 1).toInt());
        else if (auto *button = f.window.findChild<QAbstractButton *>(step))
            button->click();
        else
            QTest::keySequence(&f.window, QKeySequence(step));
    }
}

const View Unusual { 321, 12, 50, 3, RipperState::ModeST, 8, 1, true, { 2, 0, 1, 3, 7, 6, 5, 4 } };

// Pixel (x, y) of the picture area's pixmap: QLabel centres it vertically (AlignVCenter wins
// over AlignTop), so a pixmap taller than the frame's inside starts above it.
QPoint inArea(const WindowFixture &f, int x, int y)
{
    const QRect inside = f.ui().labelPicture->contentsRect();
    const int height = f.ui().labelPicture->pixmap().height();
    return inside.topLeft() + QPoint(x, y + (inside.height() - height) / 2);
}

// As a user does it: press, release, then the second press (the double-click).
void doubleClick(const WindowFixture &f, QPoint at)
{
    QTest::mouseClick(f.ui().labelPicture, Qt::LeftButton, {}, at);
    QTest::mouseDClick(f.ui().labelPicture, Qt::LeftButton, {}, at);
}

// Chip RAM starts after the chunk's tag, length and flags.
const qint64 Chip = WindowFixture::defaultSnapshot().indexOf("CRAM") + 12;

} // namespace

// View, zoom, the pointer in the picture area, the picture under it (-1: none), its pixel there.
using Spot = std::tuple<View, int, QPoint, int, QPoint>;
Q_DECLARE_METATYPE(Spot)

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    // Keys, sliders and buttons on a window with `file` showing `view`: the fields they change,
    // whether they refresh at all, and after every row the controls and canvas as checkView wants.
    void controls_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: no snapshot
        QTest::addColumn<View>("view");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expect"); // "field=value ..."; "still": nothing refreshed
        const QByteArray big = WindowFixture::pattern(100000), k = WindowFixture::pattern(1000),
                         small = WindowFixture::pattern(100);
        const QByteArray pal = paletteSnapshot().bytes();
        const auto row = [](const QString &name, const QByteArray &file, const View &view,
                             const QString &steps, const QString &expect) {
            QTest::newRow(qPrintable(name)) << file << view << steps << expect;
        };
        row("Q", big, View(), "Q", "w=41");
        row("Q at 4000", big, View().size(4000, 200), "Q", "w=4000");
        row("A", big, View(), "A", "w=39");
        row("A at 1", big, View().size(1, 200), "A", "w=1");
        row("W", big, View(), "W", "h=201");
        row("W at 600", big, View().size(40, 600), "W", "h=600");
        row("S", big, View(), "S", "h=199");
        row("S at 1", big, View().size(1, 1), "S", "h=1");
        row("E", big, View().planes(3), "E", "bits=4");
        row("E to 8", big, View().planes(7), "E", "bits=8");
        row("E at 8", big, View().planes(8), "E", "bits=8 still");
        row("D", big, View().planes(3), "D", "bits=2");
        row("D at 1", big, View(), "D", "bits=1 still");
        const View st = View().planes(4).inMode(RipperState::ModeST);
        row("Up in ST, a line of all planes", k, View(st).at(200), "Up", "offset=40");
        row("Up in ST, no room", k, View(st).at(40), "Up", "offset=40 still");
        row("Up in AM", k, View().at(200).planes(4), "Up", "offset=160");
        row("Down", small, View().at(59), "Down", "offset=99");
        row("Down, no room", small, View().at(60), "Down", "offset=60 still");
        row("Left", small, View().at(1), "Left", "offset=0");
        row("Left at 0", small, View(), "Left", "offset=0 still");
        row("Right to the end", small, View().at(99), "Right", "offset=100");
        row("Right at the end", small, View().at(100), "Right", "offset=100 still");
        row("no snapshot", {}, View(), "Right Down Q L", "offset=0 w=41 palfound=0 palmode=2");
        row("sliders", big, View(),
            "sliderXSize=100 sliderYSize=1 horizontalSlider=1234 sliderSkipAmount=2048 "
            "sliderBits=8 sliderBit5=2",
            "w=100 h=1 offset=1234 skip=2048 bits=8 order=0,1,2,3,4,2,6,7");
        row("skip alone", big, View(), "sliderSkipAmount=16", "skip=16");
        row("largest grid", big, View().size(1, 1).planes(5), "", "w=1 still");
        const char *modes[] = { "AM", "ST", "SP", "Cplus", "Cminus" };
        for (int m = 0; m < 5; ++m)
            row(QString("radioMode") + modes[m], big, View().inMode(m ? 0 : 1),
                QString("radioMode") + modes[m], QString("mode=%1").arg(m));
        row("skip after bitplanes", big, View(), "radioSkipModeBitplanes", "skipmode=1");
        row("skip after pictures", big, View().skipping(0, 1), "radioSkipModePictures",
            "skipmode=0");
        row("X", big, View(), "X", "skipmode=1");
        row("X twice", big, View(), "X X", "skipmode=0");
        row("Z", pal, View(), "Z", "palsource=3 still");
        row("Z four times", pal, View(), "Z Z Z Z", "palsource=2 still");
        row("Z, then a refresh", pal, View(), "Z Q", "palsource=2"); // the searched source again
        row("Simple", pal, View(), "radioPaletteSimple", "palsource=0 still");
        row("Simple, then a slider", pal, View(), "radioPaletteSimple sliderYSize=50",
            "palsource=2");
        row("AGA again", pal, View(), "radioPaletteAGA L radioPaletteSimple Q", "palsource=3");
        row("B", pal, View(), "B", "c0=ff00ff");
        const Builder &snap = paletteSnapshot();
        const qint64 lists[] = { snap.cramDataOffset() + 0x1001, snap.cramDataOffset() + 0x2000 };
        const QString ecs = hex(rgbOfWord(sampleWords(63, 1)[0]));
        row("ECS", pal, View(), "buttonSearchPal",
            QString("palfound=%1 c0=%2").arg(snap.chunkOffset("CHIP") + 240).arg(ecs));
        row("AGA", pal, View(), "radioPaletteAGA buttonSearchPal",
            QString("palfound=%1 c255=10203").arg(snap.chunkOffset("AGAC") + 12));
        // L takes one list after another; past the last it sets the cursor back to 0 and keeps
        // the palette. J finds the current list again; after Reset or K, the first.
        for (auto [source, step] : { std::pair("Simple", 1), { "Advanced", 128 } }) {
            const auto list = [&](int n, qint64 pos = -1) { // palfound and colours of list n
                const QList<std::uint16_t> words = sampleWords(32, n ? 9 : 7);
                return QString("palfound=%1 palpos=%2 c0=%3 c31=%4")
                    .arg(lists[n])
                    .arg(pos < 0 ? lists[n] + step : pos)
                    .arg(hex(rgbOfWord(words[0])), hex(rgbOfWord(words[31])));
            };
            const QString radio = QString("radioPalette") + source;
            for (auto [steps, expect] : { std::pair(" L", list(0)), { " L L", list(1) },
                     { " L L L", list(1, 0) }, { " L L L L", list(0) }, { " L B J", list(0) },
                     { " L J L", list(1) }, { " L L buttonResetPal", "palfound=0 c0=ffffff" },
                     { " L L buttonResetPal J", list(0) },
                     { " L L K", "palfound=0 palpos=0 default=1" } })
                row(QString(source) + steps, pal, View(), radio + steps, expect);
        }
    }

    void controls()
    {
        QFETCH(QByteArray, file);
        QFETCH(View, view);
        QFETCH(QString, steps);
        QFETCH(QString, expect);
        WindowFixture f(file);
        f.show(view);
        f.ui().labelOffset->setText("stale"); // every refresh rewrites it
        apply(f, steps);
        const bool still = expect.endsWith(" still");
        QCOMPARE(f.ui().labelOffset->text() == "stale", still);
        for (const QString &pair : expect.chopped(still ? 6 : 0).split(' ', Qt::SkipEmptyParts))
            QCOMPARE(
                pair.section('=', 0, 0) + '=' + fields(f.state())[pair.section('=', 0, 0)], pair);
        if (still)
            f.window.refreshView();
        checkView(f.window);
    }

    void stateRoundTrip_data()
    {
        QTest::addColumn<QString>("steps"); // to the palette saved
        QTest::addColumn<QString>("other"); // then another source
        for (auto [steps, other] : { std::pair("radioPaletteSimple L L", "radioPaletteAdvanced"),
                 { "radioPaletteAdvanced L L", "radioPaletteECS" },
                 { "radioPaletteECS L", "radioPaletteAGA" },
                 { "radioPaletteAGA L", "radioPaletteSimple" } })
            QTest::newRow(steps) << QString(steps) << QString(other);
    }

    // Cancelled dialogs change nothing; a saved state restores every field and the palette
    // (the search cursor is wherever the repeated search leaves it).
    void stateRoundTrip()
    {
        QFETCH(QString, steps);
        QFETCH(QString, other);
        WindowFixture f(paletteSnapshot().bytes());
        f.show(Unusual);
        apply(f, steps);
        QMap<QString, QString> saved = fields(f.state());
        const QString file = f.dir.filePath("state.plv");
        f.prompts.answers = QStringList { "", file, "", file };
        QVERIFY(QMetaObject::invokeMethod(&f.window, "saveState"));
        QVERIFY(!QFile::exists(file));
        QVERIFY(QMetaObject::invokeMethod(&f.window, "saveState"));
        apply(f, "K " + other);
        f.show(View());
        const QMap<QString, QString> unsaved = fields(f.state());
        QVERIFY(QMetaObject::invokeMethod(&f.window, "openState"));
        QCOMPARE(fields(f.state()), unsaved);
        QVERIFY(QMetaObject::invokeMethod(&f.window, "openState"));
        for (const ScriptedPrompts::Asked &a : f.prompts.asked)
            QCOMPARE(a.caption + " " + a.filter,
                (a.kind == "save" ? "Save" : "Open")
                    + QString(" Ripper State Pelvane State (*.plv)"));
        QCOMPARE(f.prompts.asked.size(), 4);
        QCOMPARE(f.boxes(), QStringList());
        saved["palpos"] = fields(f.state())["palpos"];
        QCOMPARE(fields(f.state()), saved);
        checkView(f.window);
    }

    void loadStateBoxes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("read"); // the fields that change
        const QStringList error { "File error: Can't open file!" };
        for (auto [name, content] : { std::pair("gone.plv", QByteArray()), { ".", QByteArray() },
                 { "bad.plv", QByteArray("[General\nmode=3\n") },
                 { "bin.plv", QByteArray("offset=5\n\0\x80", 11) },
                 { "huge.plv", "mode=3\n;" + QByteArray(2 << 20, 'x') } })
            QTest::newRow(name) << QString(name) << content << error << QString();
        const QByteArray edited = "[General]\nfilesize=123\noffset=99999999\nblYSize=0\nbits=12\n"
                                  "blXSize=40\npalsearchmode=7\nbitplaneorder=9, -1\n";
        QTest::newRow("edited")
            << "edited.plv" << edited
            << QStringList { "Warning: File size in saved state is not the same as the .uss-file.",
                   "Warning: Offset was set outside the end of file." }
            << QString("offset=%1 w=40 h=1 bits=8 mode=0 skip=0 skipmode=0 reverse=0 "
                       "palsource=7 palmode=7 order=7,0,1,3,7,6,5,4")
                   .arg(paletteSnapshot().bytes().size());
    }

    // An unreadable file changes nothing; warnings come file size first, then the refresh clamps
    // what the file holds. Twice, as QSettings caches the files it has parsed.
    void loadStateBoxes()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, shown);
        QFETCH(QString, read);
        WindowFixture f(paletteSnapshot().bytes());
        if (!content.isEmpty())
            f.dir.writeFile(name, content);
        f.show(Unusual);
        const QMap<QString, QString> before = fields(f.state());
        f.window.loadState(f.dir.filePath(name));
        f.window.loadState(f.dir.filePath(name));
        QCOMPARE(f.boxes(), shown + shown);
        QMap<QString, QString> expected = before; // no routine for source 7: the palette stays
        for (const QString &pair : read.split(' ', Qt::SkipEmptyParts))
            expected[pair.section('=', 0, 0)] = pair.section('=', 1);
        QCOMPARE(fields(f.state()), expected);
        checkView(f.window);
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
        row("below a file", "1 1 0", "test.uss/e.png", "test.uss/e.png");
        row("existing file kept", "1 1 0", existing, existing);
        row("too large", "1 1 40000", "f.png", "32767");
        row("no pixels", "1 1 -1000", "g.png", "pixels");
        // Then: a transparent index, one file per picture, an IFF name.
        row("transparent 7", "2 1 1 7", "t.png", saved, QSize(2, 1));
        row("one file per picture", "3 2 2 - split", "s.png", "6 images saved", QSize(3, 2));
        row("split, transparent", "2 1 0 0 split", "u.png", "2 images saved", QSize(2, 1));
        row("split, the second unwritable", "3 1 0 - split", "h.png", "1 image saved; ");
        row("IFF ILBM", "2 2 1", "i.iff", saved, QSize(2, 2));
    }

    // A cancelled file dialog shows nothing; then the file is written or a box tells why not,
    // the dialog stays open and the view is untouched either way.
    void exportFromWindow()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, target);
        QFETCH(QString, box);
        QFETCH(QSize, pictures);
        WindowFixture f;
        SettingsFile().setValue(AppSettings::DefaultImageDir, QStringLiteral("/pictures/out"));
        f.dir.writeFile(QString(250, 'e'), "old");
        QDir(f.dir.path()).mkdir("dir");
        f.show(Unusual);
        f.window.stateForTesting().palsearchpos = 1234;
        const QMap<QString, QString> before = fields(f.state());
        f.prompts.answers = QStringList { "", f.dir.filePath(target) };
        savePicture dialog(&f.window);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Save Images"));
        dialog.show();
        const Ui::savePictureClass &ui = dialog.form();
        ui.lineEditNumX->setText(typed[0]);
        ui.lineEditNumY->setText(typed[1]);
        ui.lineEditBorder->setText(typed[2]);
        const int transparent
            = typed.value(3, "-").toInt(nullptr) - !typed.value(3, "-").at(0).isDigit();
        ui.checkBoxTransparent->setChecked(transparent >= 0);
        ui.lineEditTransparent->setText(typed.value(3));
        const bool split = typed.contains("split");
        ui.checkBoxSplit->setChecked(split);
        QDir(f.dir.path()).mkdir("h-001.png"); // in the way of the second of three
        ui.radioButtonUp->click();
        ui.pushButtonSave->click();
        QCOMPARE(f.boxes(), QStringList());
        ui.pushButtonSave->click();
        QVERIFY(dialog.isVisible());
        const ScriptedPrompts::Asked asked = f.prompts.asked.value(1);
        QCOMPARE(asked.caption + ' ' + asked.dir + ' ' + asked.filter,
            QStringLiteral("Save Images /pictures/out PNG (*.png);;IFF ILBM (*.iff *.ilbm)"));
        const QString shown = f.boxes().join('|'); // one box
        QVERIFY2(shown.startsWith(pictures.isValid() ? "Information: " : "Export error: ")
                && shown.contains(box) && !shown.contains('|'),
            qPrintable(shown));
        const Exporter::Request request { pictures.width(), pictures.height(), false,
            typed[2].toInt(), 253, transparent };
        QCOMPARE(SettingsFile().value(AppSettings::ExportTransparent).toInt(), transparent);
        QCOMPARE(SettingsFile().value(AppSettings::ExportSplit).toBool(), split);
        if (target.endsWith(".iff")) // its pixels are read back in the formats test
            QVERIFY(f.dir.readFile(target).startsWith("FORM")
                && f.dir.readFile(target).mid(8, 4) == "ILBM");
        else if (!split)
            QCOMPARE(QImage(f.dir.filePath(target)),
                pictures.isValid() ? Exporter::compose(f.state(), request) : QImage());
        for (int k = 0; split && k < pictures.width() * pictures.height(); ++k) {
            const QImage one(f.dir.filePath(Exporter::splitFileName(target, k, 6)));
            QCOMPARE(one, Exporter::composePicture(f.state(), request, k));
            QCOMPARE(one.size(), QSize(8 * Unusual.width, Unusual.height));
        }
        if (transparent >= 0 && pictures.isValid())
            for (const QString &name :
                QDir(f.dir.path()).entryList({ target.chopped(4) + "*.png" }))
                for (int i = 0; i < 256; ++i)
                    QCOMPARE(
                        qAlpha(QImage(f.dir.filePath(name)).color(i)), i == transparent ? 0 : 255);
        QCOMPARE(QDir(f.dir.path()).entryList({ "*.png.*", ".*.png*" }, QDir::Files | QDir::Hidden),
            QStringList());
        QCOMPARE(f.dir.readFile(QString(250, 'e')), QByteArray("old"));
        QCOMPARE(fields(f.state()), before);
    }

    // Ctrl+P: empty fields without a settings file; Ok stores them as typed and the next Open
    // File dialog starts there. Browse starts at the stored value, not at the field; a cancel
    // leaves the field; Escape writes nothing. Ctrl+A: the about box.
    void preferencesAndAbout()
    {
        WindowFixture f { QByteArray() };
        QVERIFY(f.showActive());
        const QString typed = QString::fromUtf8("  /new/jürgen;x=1 ");
        QStringList seen;
        // Runs `act` on the modal dialog the shortcut opens, recording its title.
        const auto dialog = [&](Qt::Key key, std::function<void(QWidget *)> act) {
            f.window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&f.window));
            QTimer::singleShot(0, [&seen, act] {
                QWidget *d = QApplication::activeModalWidget();
                seen << (d ? d->windowTitle() : "no dialog");
                if (d)
                    act(d);
            });
            f.key(key, Qt::ControlModifier);
        };
        dialog(Qt::Key_P, [&](QWidget *d) {
            seen << d->findChild<QLineEdit *>("lineOpenDir")->text()
                 << d->findChild<QLineEdit *>("lineSaveImageDir")->text();
            d->findChild<QLineEdit *>("lineOpenDir")->setText(typed);
            d->findChild<QPushButton *>("pushButton_2")->click();
        });
        const QByteArray stored = f.dir.readFile(AppSettings::fileName());
        f.prompts.answers = QStringList { "/picked", "", "/picked", "" };
        dialog(Qt::Key_P, [&](QWidget *d) {
            for (int i = 0; i < 4; ++i) {
                d->findChild<QPushButton *>(i < 2 ? "pushButton" : "pushButton_3")->click();
                seen << d->findChild<QLineEdit *>(i < 2 ? "lineOpenDir" : "lineSaveImageDir")
                            ->text();
            }
            QTest::keyClick(d, Qt::Key_Escape);
        });
        dialog(Qt::Key_A, [&](QWidget *d) {
            seen << d->findChild<QLabel *>("labelAbout")->text().left(18)
                 << QString::number(d->findChild<QLabel *>("label")->pixmap().width());
            d->findChild<QPushButton *>("pushButton")->click();
        });
        QCOMPARE(seen,
            QStringList({ "Preferences", "", "", "Preferences", "/picked", "/picked", "/picked",
                "/picked", "About Pelvane", "<b>Pelvane 0.6</b>", "501" }));
        QCOMPARE(f.dir.readFile(AppSettings::fileName()), stored);
        QCOMPARE(SettingsFile().value(AppSettings::DefaultUssDir).toString(), typed);
        QCOMPARE(SettingsFile().value(AppSettings::DefaultImageDir, "unset").toString(), "");
        QVERIFY(QMetaObject::invokeMethod(&f.window, "open"));
        QStringList asked;
        for (const ScriptedPrompts::Asked &a : f.prompts.asked)
            asked << a.kind + '|' + a.caption + '|' + a.dir;
        const QString open = "directory|Choose default open file directory|" + typed;
        const QString images = "directory|Choose default directory for saving images|";
        QCOMPARE(asked, QStringList({ open, open, images, images, "open|Open File|" + typed }));
    }

    // Every entry with its shortcut, status tip and enabled state; the first snapshot enables
    // the file actions, three add recent-file entries, the newest first.
    void menus()
    {
        WindowFixture f { QByteArray() };
        const auto entries = [&] {
            QStringList list;
            for (QAction *menu : f.window.menuBar()->actions()) {
                list << menu->text();
                for (QAction *a : menu->menu()->actions()) {
                    if (a->isVisible())
                        list << (a->isSeparator()
                                ? "  --"
                                : QString("  %1 %2 %3%4")
                                      .arg(a->text(), a->shortcut().toString(), a->statusTip(),
                                          a->isEnabled() ? "" : " (off)"));
                }
            }
            return list;
        };
        QStringList expected { "&File", "  &Open Ctrl+O Open a file",
            "  &Open Ripper State Ctrl+Shift+O Open a ripper state (off)",
            "  &Save Ripper State Ctrl+Shift+S Save current ripper state (off)",
            "  &Save images Ctrl+S Save images (off)",
            "  Export Palette...  Save the view's colours as a GIMP, JASC or Adobe palette file",
            "  Export Displayed Frame...  Save the displayed frame as a PNG image (off)", "  --",
            "  &Quit Ctrl+Q Quit program", "&Edit", "  &Preferences Ctrl+P Edit preferences",
            "&View",
            "  &Displayed Screen V Show the next screen the snapshot's Copper list displays (off)",
            "  Screens   (off)", "  Screens in &Memory   (off)",
            "  Displayed &Frame F Show the whole frame the snapshot's display showed (off)",
            "  Sprites   (off)",
            "  &Guess Width G Set the width to the distance at which the bytes from the offset "
            "repeat line after line",
            "  Memory &Map Ctrl+M Show the whole snapshot as a map of what lies where", "  --",
            "  Zoom &In Ctrl++ Magnify the picture area",
            "  Zoom &Out Ctrl+- Magnify the picture area less (off)",
            "  &Actual Size Ctrl+0 Show the picture area unmagnified (off)", "&Help",
            "  &About Ctrl+A About this program" };
        QCOMPARE(entries(), expected);
        for (int i = 0; i < 3; ++i)
            f.window.loadSnapshot(
                f.dir.writeFile(QString("s%1.uss").arg(i), WindowFixture::pattern(100)));
        for (int i = 2; i < 5; ++i)
            expected[i].chop(6);
        expected.insert(7, "  --");
        for (int i = 0; i < 3; ++i)
            expected.insert(8 + i, QString("  &%1 s%2.uss  ").arg(i + 1).arg(2 - i));
        QCOMPARE(entries(), expected);
        f.window.fileMenuForTesting()->actions()[0]->showStatusText(&f.window);
        QCOMPARE(f.window.statusBar()->currentMessage(), QStringLiteral("Open a file"));
    }

    void start_data()
    {
        QTest::addColumn<QByteArray>("settings"); // lines of settings.ini at the start, by ';'
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("zoom");
        const QPoint fallback(4, 26);
        for (auto [settings, at, zoom] :
            { std::tuple("", fallback, 1), { "windowx=120;windowy=80", QPoint(120, 80), 1 },
                { "windowx=-300;windowy=-40", QPoint(-300, -40), 1 }, // partly off the screen
                { "windowx=-20000;windowy=15000", fallback, 1 },
                { "windowx=left;windowy=40", QPoint(0, 40), 1 }, { "zoom=3", fallback, 3 },
                { "zoom=4", fallback, 4 }, { "other=2", fallback, 1 }, { "zoom=5", fallback, 1 },
                { "zoom=0", fallback, 1 }, { "zoom=2.5", fallback, 1 }, { "zoom=two", fallback, 1 },
                { "zoom=2, 3", fallback, 1 }, { "zoom=4294967298", fallback, 1 } })
            QTest::newRow(settings) << QByteArray(settings).replace(';', '\n') << at << zoom;
    }

    // The window starts titled, disabled, where the settings file says and at its zoom, writing
    // nothing; Ctrl+Q stores where it was moved.
    void start()
    {
        QFETCH(QByteArray, settings);
        WorkDir dir;
        if (!settings.isEmpty())
            dir.writeFile("settings.ini", "[General]\n" + settings);
        Pelvane window;
        QTEST(window.geometry().topLeft(), "at");
        QTEST(window.zoom(), "zoom");
        QCOMPARE(window.windowTitle(), QStringLiteral("Pelvane 0.6"));
        QVERIFY(!window.windowIcon().isNull());
        checkView(window);
        QCOMPARE(dir.readFile("settings.ini"), settings.isEmpty() ? "" : "[General]\n" + settings);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.move(60, 70);
        const QPoint where = window.geometry().topLeft();
        QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!window.isVisible());
        QSettings stored("settings.ini", QSettings::IniFormat);
        QCOMPARE(QPoint(stored.value("windowx").toInt(), stored.value("windowy").toInt()), where);
    }

    // Rewritten at every start over what was there; a directory in its place is left alone.
    void logFile()
    {
        WorkDir dir;
        dir.writeFile("logfile.html", QByteArray(5000, 'x'));
        Pelvane(); // a start
        const QString written = QString::fromLatin1(dir.readFile("logfile.html"));
        const QRegularExpression log("^<style type=\"text/css\">\n<!--\n\\.red \\{color: #FF0000;\n"
                                     "(.*\n){8}-->\n</style>\nCreating logfile.html at "
                                     "\\d\\d:\\d\\d:\\d\\d\n<br><br>\n$");
        QVERIFY2(written.contains(log), qPrintable(written));
        QFile::remove(dir.filePath("logfile.html"));
        QDir(dir.path()).mkdir("logfile.html");
        Pelvane();
        QVERIFY(QFileInfo(dir.filePath("logfile.html")).isDir());
    }

    void readout_data()
    {
        QTest::addColumn<Spot>("spot");
        const View v = View().at(int(Chip) + 5).size(4, 20).planes(3); // cells of 34 x 22
        using R = RipperState;
        QTest::newRow("AM") << Spot { v, 1, { 77, 35 }, 25, { 9, 13 } };
        QTest::newRow("ST") << Spot { View(v).inMode(R::ModeST), 1, { 40, 30 }, 24, { 6, 8 } };
        QTest::newRow("SP") << Spot { View(v).inMode(R::ModeSP), 1, { 99, 50 }, 48, { 31, 6 } };
        QTest::newRow("C+") << Spot { View(v).inMode(R::ModeCplus), 1, { 17, 19 }, 0, { 17, 19 } };
        QTest::newRow("C-") << Spot { View(v).inMode(R::ModeCminus), 1, { 47, 2 }, 1, { 13, 2 } };
        QTest::newRow("skip after bitplanes")
            << Spot { View(v).skipping(16, 1), 1, { 779, 1 }, 22, { 31, 1 } };
        QTest::newRow("before chip RAM") << Spot { View(v).at(0), 1, { 3, 1 }, 0, { 3, 1 } };
        QTest::newRow("border") << Spot { v, 1, { 32, 5 }, -1, {} };
        QTest::newRow("empty cell") << Spot { View().size(40, 250), 1, { 700, 10 }, -1, {} };
        QTest::newRow("zoom 2") << Spot { v, 2, { 155, 71 }, 25, { 9, 13 } };
        QTest::newRow("zoom 3") << Spot { v, 3, { 233, 107 }, 25, { 9, 13 } };
        QTest::newRow("first gap row") << Spot { v, 1, { 5, 20 }, -1, {} };
        // One picture across, cells of 50 lines: the edges of what each zoom shows.
        const View wide = View().at(int(Chip) + 5).size(100, 48);
        QTest::newRow("under the top frame") << Spot { wide, 1, { 0, 0 }, -1, {} };
        QTest::newRow("first row seen") << Spot { wide, 1, { 0, 1 }, 0, { 0, 1 } };
        QTest::newRow("last column, last picture row")
            << Spot { wide, 1, { 797, 597 }, 11, { 797, 47 } };
        QTest::newRow("last row seen, a gap") << Spot { wide, 1, { 797, 598 }, -1, {} };
        QTest::newRow("under the right frame") << Spot { wide, 1, { 798, 300 }, -1, {} };
        QTest::newRow("under the bottom frame") << Spot { wide, 1, { 10, 599 }, -1, {} };
        QTest::newRow("zoom 2, gap row") << Spot { wide, 2, { 797, 598 }, -1, {} };
        QTest::newRow("zoom 3, last column") << Spot { wide, 3, { 797, 590 }, 3, { 265, 46 } };
        QTest::newRow("zoom 4, last column") << Spot { wide, 4, { 797, 584 }, 2, { 199, 46 } };
    }

    // Plane 0's byte by the modes' formulas; the colour as the fast drawing drew it.
    void readout()
    {
        QFETCH(Spot, spot);
        const auto [view, zoom, at, picture, pixel] = spot;
        WindowFixture f;
        f.window.setZoom(zoom);
        f.show(view);
        QVERIFY(f.showActive()); // the pointer moves over shown windows
        const qint64 drawn = f.ui().labelPicture->pixmap().cacheKey();
        // Sent to the label: the window reaches below the test screen's edge.
        QMouseEvent move(QEvent::MouseMove, inArea(f, at.x(), at.y()), QPointF(), Qt::NoButton,
            Qt::NoButton, {});
        QApplication::sendEvent(f.ui().labelPicture, &move);
        QString expected;
        if (picture >= 0) {
            const qint64 w = view.width, h = view.height, n = view.bits, s = view.skip;
            const qint64 stride = view.skipmode == 0 ? n * h * w + s : (h * w + s) * n;
            const qint64 start = view.offset + picture * stride;
            const int x = pixel.x(), y = pixel.y(), mode = view.mode;
            const qint64 line[] = { w, w * n, 2 * w, 2 * w, 2 * w }; // AM ST SP C+ C-
            const qint64 column[] = { x / 8, x / 8, x / 8, 2 * (x / 8), x / 4 };
            const qint64 byte = start + line[mode] * y + column[mode];
            const int bit = 7 - (mode == RipperState::ModeCminus ? x % 4 : x % 8);
            const int colour = f.state().canvas.pixelIndex(at.x() / zoom, at.y() / zoom);
            const QString chip
                = byte >= Chip ? QString::asprintf(" (chip $%06llX)", byte - Chip) : "";
            expected = QString::asprintf(
                "#%d @ %lld · x %d y %d · byte %lld bit %d%s · colour %d #%06X", picture, start, x,
                y, byte, bit, qPrintable(chip), colour, f.state().canvas.color(colour) & 0xFFFFFF);
        }
        QCOMPARE(f.window.statusBar()->findChild<QLabel *>("labelPointer")->text(), expected);
        QCOMPARE(f.ui().labelPicture->pixmap().cacheKey(), drawn); // nothing drawn again
    }

    // X with a skip redraws: the pictures move apart differently.
    void skipModeRedraws()
    {
        WindowFixture f, fresh;
        const View v = View().size(4, 20).planes(3).skipping(16, RipperState::SkipPictures);
        f.show(v);
        f.key(Qt::Key_X);
        fresh.show(View(v).skipping(16, RipperState::SkipBitplanes));
        QCOMPARE(f.shown(), fresh.shown());
    }

    void doubleClickJumps_data()
    {
        QTest::addColumn<int>("picture");
        for (int picture : { 0, 66, 131 }) // the first, one in the middle, the last visible
            QTest::addRow("picture %d", picture) << picture;
    }

    // 12 x 11 pictures of 400 bytes in cells of 66 x 52; the focus stays, keys keep working.
    // Backspace goes back through a history of sixteen jumps.
    void doubleClickJumps()
    {
        QFETCH(int, picture);
        WindowFixture f;
        f.show(View().at(1000).size(8, 50));
        QVERIFY(f.showActive());
        QWidget *focused = f.window.focusWidget();
        doubleClick(f, inArea(f, picture % 12 * 66 + 30, picture / 12 * 52 + 25));
        QCOMPARE(f.state().offset, 1000 + 400 * picture);
        QCOMPARE(f.ui().horizontalSlider->value(), f.state().offset);
        QCOMPARE(f.window.focusWidget(), focused);
        f.key(Qt::Key_Backspace);
        f.key(Qt::Key_Right);
        QCOMPARE(f.state().offset, 1001);
        for (int i = 0; i < 17 * 2; ++i) // of seventeen jumps Backspace undoes the last sixteen
            i < 17 ? doubleClick(f, inArea(f, 70, 1)) : f.key(Qt::Key_Backspace);
        QCOMPARE(f.state().offset, 1001 + 400);
    }

    void zoomKeys_data()
    {
        QTest::addColumn<QString>("keys"); // each with Ctrl
        QTest::addColumn<int>("zoom");
        for (auto [name, keys, zoom] :
            { std::tuple("none", "", 1), { "in", "=", 2 }, { "in with plus", "+", 2 },
                { "in to the limit", "+++++", 4 }, { "in and out", "==-", 2 },
                { "out below 1", "-", 1 }, { "actual size", "===0", 1 } })
            QTest::newRow(name) << QString(keys) << zoom;
    }

    // The canvas stays; the area shows its top-left part, every pixel a zoom x zoom block.
    void zoomKeys()
    {
        QFETCH(QString, keys);
        QFETCH(int, zoom);
        WindowFixture f;
        f.show(View().size(3, 17).planes(4));
        QVERIFY(f.showActive());
        const QImage canvas = f.state().canvas;
        for (QChar key : keys)
            f.key(Qt::Key(key.unicode()), Qt::ControlModifier);
        QCOMPARE(f.window.zoom(), zoom);
        QList<bool> enabled; // Zoom In, Zoom Out, Actual Size
        for (const QAction *a : f.window.findChildren<QAction *>()) {
            if (a->text().startsWith("Zoom") || a->text() == "&Actual Size")
                enabled << a->isEnabled();
        }
        QCOMPARE(enabled, QList<bool>({ (zoom < 4), (zoom > 1), (zoom > 1) }));
        QCOMPARE(f.state().canvas, canvas);
        const QImage shown = f.shown();
        QCOMPARE(shown.size(), QSize((800 + zoom - 1) / zoom, (600 + zoom - 1) / zoom) * zoom);
        const QImage part = canvas.copy(QRect(QPoint(), shown.size() / zoom));
        QCOMPARE(shown, part.scaled(shown.size()).convertToFormat(shown.format())); // replicated
        QCOMPARE(Pelvane().zoom(), zoom); // kept in settings.ini
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
