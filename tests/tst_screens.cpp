// The screens of the displayed frame: the Copper walk, each screen put on the view, the View menu.
#include "copperscan.h"
#include "copperwalk.h"
#include "demosnapshot.h"
#include "displaysnapshot.h"
#include "displaysource.h"
#include "fetchrule.h"
#include "memorymapview.h"
#include "palette.h"
#include "reference.h"
#include "rows.h"
#include "screenview.h"
#include "statefile.h"
#include "windowfixture.h"

namespace {

// A list from $1000, one lores plane, a display window from line 44 to 244, bitplane DMA on.
const QString Base = "080=1000 08E=2C81 090=F4C1 092=38 094=D0 096=0380 100=1200 @1000 ";

// "end@1008 44-200@8000/0:f00~0[note] ...": why and where the walk stopped, then each screen's
// lines, BPL1PT, every colour the list changed from the saved ones (12-bit, or 24-bit on AGA), the
// colours it changes inside the screen and the screen's notes.
QString walkSummary(const CopperWalk::Frame &f)
{
    const char *const stops[]
        = { "nochip", "noram", "nolist", "end", "protected", "limit", "loop", "outside" };
    QString text = QString::asprintf("%s@%x", stops[int(f.stop)], f.stopAddress);
    for (const CopperWalk::Screen &s : f.screens) {
        text += QString::asprintf(
            " %d-%d@%x", s.firstLine, s.stopLine(), s.registers.address(0x0E0));
        for (int i = 0; i < (f.aga ? 256 : 32); ++i)
            if (f.aga ? s.agaColours[i] != (DisplaySnapshot::agaColours()[i] & 0xFFFFFF)
                      : s.ecsColours[i] != (DisplaySnapshot::savedColours()[i] & 0xFFF))
                text += QString::asprintf("/%d:%x", i, f.aga ? s.agaColours[i] : s.ecsColours[i]);
        for (std::size_t i = 0; i < s.colourChanges.size(); ++i)
            text += s.colourChanges[i] ? QString::asprintf("~%zu", i) : QString();
        const QStringList notes = s.notes + QStringList(s.interlaced ? "interlaced" : "");
        text += notes.join(';').isEmpty()
            ? ""
            : "[" + notes.filter(QRegularExpression(".")).join(';') + "]";
    }
    return text;
}

// The first screen as the hardware fetches it: after each line a plane's pointer moves on by the
// fetch and its modulo; bit 7 is the leftmost pixel; plane k gives bit k of the colour index. The
// colours are the saved registers (and their halves for extra half-brite) or the AGA table.
QImage fetched(const QByteArray &bytes, const CopperWalk::Frame &frame, int fetch, int planes,
    const QString &kind)
{
    QList<QRgb> colours = kind == "aga" ? DisplaySnapshot::agaColours() : Palette::defaultColors();
    const QList<std::uint16_t> saved = DisplaySnapshot::savedColours();
    for (int i = 0; i < (kind == "ehb" ? 64 : 32) && kind != "aga"; ++i)
        colours[i] = TestSnapshot::rgbOfWord(i < 32 ? saved[i] : saved[i - 32] >> 1 & 0x777);
    const CopperWalk::Screen &s = frame.screens.front();
    QImage image(8 * fetch, s.rows(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            int index = 0;
            for (int k = 0; k < planes; ++k) {
                const int modulo = std::int16_t(s.registers.word(k % 2 ? 0x10A : 0x108));
                const qint64 at = frame.chipRamFirst + s.registers.address(0x0E0 + 4 * k)
                    + qint64(y) * (fetch + modulo) + x / 8;
                index |= (std::uint8_t(bytes[at]) >> (7 - x % 8) & 1) << k;
            }
            image.setPixel(x, y, colours[index]);
        }
    return image;
}

// The canvas shows `expected` at its top left; with `roundTrip`, also once a state file saved now
// is opened after the view and the colours changed.
void checkShown(WindowFixture &f, const QImage &expected, bool roundTrip)
{
    if (roundTrip) { // in the fixture's working directory
        QVERIFY(StateFile::save(f.state(), QStringLiteral("screen.plv")));
        f.key(Qt::Key_K);
        f.show(View().at(7).planes(3));
        f.window.loadState(QStringLiteral("screen.plv"));
    }
    QCOMPARE(f.shown().copy(QRect(QPoint(), expected.size())).convertToFormat(QImage::Format_RGB32),
        expected.convertToFormat(QImage::Format_RGB32));
}

QAction *entry(const WindowFixture &f, const QString &text)
{
    const QList<QAction *> all = f.window.findChildren<QAction *>();
    const auto it
        = std::find_if(all.begin(), all.end(), [&](QAction *a) { return a->text() == text; });
    return it == all.end() ? nullptr : *it;
}

} // namespace

class TestScreens : public QObject
{
    Q_OBJECT

private slots:
    // Offsets from the "CHIP" tag at the ends of each stored block; the others are not stored.
    void registerOffsets()
    {
        const int known[][2] = { { 0x000, 16 }, { 0x080, 144 }, { 0x09E, 174 }, { 0x0A0, -1 },
            { 0x0DE, -1 }, { 0x0E0, 176 }, { 0x11E, 238 }, { 0x120, -1 }, { 0x17E, -1 },
            { 0x180, 240 }, { 0x1FC, 364 }, { 0x1FE, 366 }, { 0x081, -1 }, { 0x200, -1 } };
        for (const auto &k : known)
            QCOMPARE(ChipRegisters::offsetOf(k[0]), k[1]);
        // A chunk that ends inside BPLCON0 (at 208 from the tag) leaves it out.
        QByteArray bytes = DisplaySnapshot::build(Base);
        for (std::uint32_t length : { 209u, 210u }) {
            bytes.replace(bytes.indexOf("CHIP") + 4, 4, SnapshotWriter::bigEndian32(length));
            QCOMPARE(ChipRegisters::read(Reference::loaded(bytes)).registers.word(0x100),
                length < 210 ? 0 : 0x1200);
        }
    }

    void walk_data()
    {
        Rows::columns<QString, QString>("program", "expected");
        const auto row = [](const char *name, const QString &program, const char *expected) {
            QTest::newRow(name) << program << expected;
        };
        row("plain", "0E0:8000 end", "end@1008 44-244@8000");
        row("split", "0E0:8000 wC8 0E0:9000 100:2200 end",
            "end@1018 44-200@8000 200-244@9000[pointers from the registers]");
        row("COPJMP2", "084:2000 0E0:8000 08A:0 @2000 wC8 0E0:9000 end",
            "end@200c 44-200@8000 200-244@9000");
        row("loop", "0E0:8000 w40 088:0", "loop@1000 44-244@8000");
        row("runaway", "0E0:8000 180:123 rep", "limit@9000 44-244@8000/0:123");
        row("out of chip RAM", "080=1FFF8 @1FFF8 0E0:8000", "outside@20000 44-244@8000");
        row("protected", "0E0:8000 03E:0 0E0:9000 end", "protected@1008 44-244@8000");
        row("PAL, line 300", "090=38C1 0E0:8000 wFF w2C 0E0:9000 end",
            "end@1018 44-300@8000 300-312@9000");
        row("at the window's end", "0E0:8000 wF4 0E0:9000 end", "end@1014 44-244@8000");
        row("COP1LC zero", "080=0 0E0:8000 end", "nolist@0");
        row("skip", "084:2000 0E0:8000 wC8 sC0 08A:0 0E0:9000 end @2000 end",
            "end@1024 44-200@8000 200-244@9000");
        row("colours", "0E0:8000 180:F00 wC8 180:0F0 0E0:9000 wD0 180:00F end",
            "end@1024 44-200@8000/0:f00 200-244@9000/0:f0~0");
        row("AGA bank", "aga 0E0:8000 106:2000 180:F80 106:2200 180:123 end",
            "end@1018 44-244@8000/32:f18203");
        row("planes on after the pointers' wait", "100=0200 w27 0E0:8000 w28 100:1200 end",
            "end@1014 44-244@8000");
        row("AGA, HTOTAL after the colours", "aga 0E0:8000 1C0:123 end", "end@100c 44-244@8000");
        row("planes off and on", "0E0:8000 w64 100:0200 w78 100:1200 end",
            "end@1018 44-100@8000 120-244@88c0");
        row("pointers from the registers", "0E0=9F40 w40 end",
            "end@1004 44-244@8000[pointers from the registers]");
        row("move past DDFSTOP", "0E0:8000 wC8.D2 0E0:9000 end",
            "end@1014 44-201@8000 201-244@9000");
        row("DIWHIGH", "aga 0E0:8000 1E4:0100 end", "end@100c 44-500@8000");
        row("DIWHIGH on OCS", "0E0:8000 1E4:0100 end", "end@100c 44-244@8000");
        row("BPLEN cleared", "0E0:8000 wC8 096:0100 end", "end@1010 44-200@8000");
        row("DMA off when saved", "096=0 0E0:8000 end", "end@1008 44-244@8000[bitplane DMA off]");
        const QString lace = "100=1204 108=28 10A=28 0E0:8000 080:2000 end @2000 0E0:80";
        row("interlaced", lace + "28 080:1000 end", "end@1010 44-244@8000[interlaced]");
        row("interlaced, short field first", "080=2000 " + lace + "28 080:1000 end",
            "end@2010 44-244@8000[interlaced]");
        row("one field", lace + "30 080:1000 end",
            "end@1010 44-244@8000[one field of an interlaced frame]");
    }

    void walk()
    {
        auto [program, expected] = Rows::fetch<QString, QString>("program", "expected");
        QCOMPARE(walkSummary(
                     CopperWalk::walk(Reference::loaded(DisplaySnapshot::build(Base + program)))),
            expected);
    }

    // Bytes of each plane fetched per line, 0 for a fetch that never stops.
    // Lists in chip RAM beside the displayed one: where they start, and the screens they show
    // that the display does not.
    void memoryScreens_data()
    {
        Rows::columns<QString, QString>("program", "expected");
        const auto row = [](const char *name, const QString &program, const QString &expected) {
            QTest::newRow(name) << program << expected;
        };
        const QString screen = "$009000: 320\u00D7200, 1 plane AM, 2 colours";
        row("among random words", "0E0:8000 end @3000 100:1200 0E0:9000 end", "3000 | " + screen);
        row("its tail not again", "0E0:8000 end @3000 100:1200 0E0:9000 100:1200 end",
            "3000 | " + screen);
        row("a jump ends it", "0E0:8000 end @3000 100:1200 0E0:9000 08A:0", "3000 | " + screen);
        row("a loop", "0E0:8000 end @3000 100:1200 0E0:9000 084:3000 08A:0", "3000 | " + screen);
        row("bitplanes past chip RAM", "0E0:8000 end @3000 100:1200 0E0:1FF00 end", "3000 | ");
        row("no planes", "0E0:8000 end @3000 100:0200 0E0:9000 end", " | ");
        row("no pointer pair", "0E0:8000 end @3000 100:1200 0E2:9000 end", " | ");
        row("no end", "0E0:8000 end @3000 100:1200 0E0:9000 180:0 rep", " | ");
        row("the end the 8192nd", "0E0:8000 end @3000 100:1200 0E0:9000 180:0 x8187 end",
            "3000 | " + screen);
        row("the end the 8193rd", "0E0:8000 end @3000 100:1200 0E0:9000 180:0 x8188 end", " | ");
        row("the displayed list", "100:1200 0E0:8000 end", "1000 | ");
        row("two lists", "0E0:8000 end @3000 100:1200 0E0:9000 end 100:2200 pt2:A000+1F40 end",
            "3000,3010 | " + screen + "; $00A000: 320\u00D7200, 2 planes AM, 4 colours");
    }

    void memoryScreens()
    {
        auto [program, expected] = Rows::fetch<QString, QString>("program", "expected");
        const RipperState state = Reference::loaded(DisplaySnapshot::build(Base + program));
        const CopperWalk::DisplaySource source = CopperWalk::openDisplay(state);
        QStringList lists, screens;
        for (std::uint32_t list : CopperScan::findLists(source.chip))
            lists << QString::number(list, 16);
        for (const CopperScan::MemoryScreen &m :
            CopperScan::screensInMemory(state, CopperWalk::walk(state)))
            screens << CopperScan::summary(m);
        QCOMPARE(lists.join(',') + " | " + screens.join("; "), expected);
    }

    void fetchRule_data()
    {
        Rows::columns<bool, int, int, int, int, int>(
            "aga", "bplcon0", "fmode", "start", "stop", "bytes");
        const auto row = [](const char *name, bool aga, int bplcon0, int fmode, int start, int stop,
                             int bytes) {
            QTest::newRow(name) << aga << bplcon0 << fmode << start << stop << bytes;
        };
        row("lores", false, 0x1200, 0, 0x38, 0xD0, 40);
        row("lores, one more unit", false, 0x1200, 0, 0x38, 0xD4, 42);
        row("hires", false, 0x9200, 0, 0x3C, 0xD0, 80);
        row("stop past $D8", false, 0x1200, 0, 0x38, 0xE0, 42);
        row("runaway lores", false, 0x1200, 0, 0x3C, 0xD8, 0);
        row("runaway hires", false, 0x9200, 0, 0x34, 0xD6, 0);
        row("stop before start", false, 0x1200, 0, 0x38, 0x28, 0);
        row("fetch mode without AGA", false, 0x1200, 3, 0x38, 0xD0, 40);
        row("AGA FMODE 3 $38/$A0", true, 0x1200, 3, 0x38, 0xA0, 40);
        row("AGA FMODE 3 $38/$D0", true, 0x1200, 3, 0x38, 0xD0, 48);
        row("AGA FMODE 3 $3C/$D0", true, 0x1200, 3, 0x3C, 0xD0, 40);
        row("AGA FMODE 1", true, 0x1200, 1, 0x38, 0xC8, 40);
        row("AGA FMODE 2 hires", true, 0x9200, 2, 0x38, 0xD0, 80);
        row("AGA super-hires FMODE 3", true, 0x1240, 3, 0x38, 0xD0, 160);
    }

    void fetchRule()
    {
        auto [aga, bplcon0, fmode, start, stop, bytes] = Rows::fetch<bool, int, int, int, int, int>(
            "aga", "bplcon0", "fmode", "start", "stop", "bytes");
        ChipRegisters::Registers r;
        for (auto [reg, value] :
            { std::pair(0x100, bplcon0), { 0x1FC, fmode }, { 0x092, start }, { 0x094, stop } })
            r.set(reg, std::uint16_t(value));
        const FetchRule::Fetch fetch = FetchRule::perLine(r, aga);
        QCOMPARE(fetch.bytes, bytes);
        QCOMPARE(fetch.runaway, bytes == 0 && start % 8 == 4);
    }

    // AGA: six planes are half-brite unless KILLEHB; BPLAM turns each index before the lookup.
    void agaColours_data()
    {
        Rows::columns<int, int, int, int, int>("bplcon0", "bplcon2", "bplcon4", "index", "entry");
        QTest::newRow("half-brite") << 0x6200 << 0 << 0 << 37 << -5;
        QTest::newRow("KILLEHB") << 0x6200 << 0x0200 << 0 << 37 << 37;
        QTest::newRow("five planes") << 0x5200 << 0 << 0 << 37 << 37;
        QTest::newRow("HAM6") << 0x6A00 << 0 << 0 << 37 << 37;
        QTest::newRow("BPLAM") << 0x5200 << 0 << 0x0300 << 37 << 38;
        QTest::newRow("BPLAM, half-brite") << 0x6200 << 0 << 0x0100 << 36 << -5;
    }

    void agaColours()
    {
        auto [bplcon0, bplcon2, bplcon4, index, entry] = Rows::fetch<int, int, int, int, int>(
            "bplcon0", "bplcon2", "bplcon4", "index", "entry");
        CopperWalk::Frame frame;
        frame.aga = true;
        CopperWalk::Screen screen;
        for (int i = 0; i < 256; ++i)
            screen.agaColours[std::size_t(i)] = 0x030507u * std::uint32_t(i);
        for (auto [reg, value] :
            { std::pair(0x100, bplcon0), { 0x104, bplcon2 }, { 0x10C, bplcon4 } })
            screen.registers.set(reg, std::uint16_t(value));
        const QRgb rgb = screen.agaColours[std::size_t(std::abs(entry))];
        QCOMPARE(ScreenView::coloursOf(frame, screen).at(index) & 0xFFFFFF,
            entry < 0 ? (rgb >> 1) & 0x7F7F7F : rgb);
    }

    void screenOnView_data()
    {
        // fetch: bytes per line and plane; 0: not all planes fit; -1: no screen
        // expected: mode, width x height, planes, skip | status notes; without a screen, the status
        Rows::columns<QByteArray, int, QString, QString>(
            "snapshot", "fetch", "colours", "expected");
        const auto row
            = [](const QString &program, int fetch, const char *colours, const char *expected) {
                  QTest::newRow(expected)
                      << DisplaySnapshot::build(Base + program) << fetch << colours << expected;
              };
        row("100=3200 108=50 10A=50 pt3:8000+28 end", 40, "ecs", "ST 40x200 3p p0");
        row("100=2200 pt2:8000+1F40 end", 40, "ecs", "AM 40x200 2p b0");
        row("100=2200 pt2:8000+1F80 end", 40, "ecs", "AM 40x200 2p b64");
        row("090=F4B1 108=8 pt1:8000+0 end", 40, "ecs", "AM 48x200 1p p0");
        row("100=3200 108=50 10A=50 0E0:8000 0E4:DDC0 0E8:8050 end", 0, "ecs",
            "AM 120x200 3p p0 | plane 3 does not fit this view");
        row("100=2200 10A=28 pt2:8000+1F40 end", 0, "ecs",
            "AM 40x200 2p p0 | plane 2 does not fit this view");
        row("100=A200 092=3C 094=D4 pt2:8000+3E80 end", 80, "ecs", "AM 80x200 2p b0");
        row("092=3C pt1:8000+0 end", 40, "ecs", "AM 40x200 1p p0");
        row("aga 100=9200 1FC=3 094=C8 pt1:8000+0 end", 80, "aga", "AM 80x200 1p p0");
        row("aga 100=0810 1FC=3 094=A0 108=118 10A=118 pt8:8000+28 end", 40, "aga",
            "ST 40x200 8p p0 | HAM8");
        row("100=6A00 108=C8 10A=C8 pt6:8000+28 end", 40, "ecs",
            "ST 40x200 6p p0 | HAM6; the colours are not kept in a state file");
        row("100=6200 108=C8 10A=C8 pt6:8000+28 end", 40, "ehb",
            "ST 40x200 6p p0 | the colours are not kept in a state file");
        row("100=2600 pt2:8000+1F40 end", 40, "ecs", "AM 40x200 2p b0 | dual playfield");
        row("100=0200 w40 end", -1, "", "No screen on display: the Copper list ends at $001004.");
        row("092=3C 094=D8 0E0:8000 end", -1, "",
            "No screen on display: the bitplane fetch from DDFSTRT $3C never stops (DDFSTOP $D8 "
            "lies past $D4).");
        QTest::newRow("none") << QByteArray() << -1 << QString() << "No snapshot is loaded.";
        QTest::newRow("not chunked")
            << QByteArray(99, 'x') << -1 << QString() << "No screen on display: the snapshot";
        QTest::newRow("COP1LC 0") << WindowFixture::defaultSnapshot() << -1 << QString()
                                  << "No screen on display: COP1LC";
    }

    // V puts the screen on the view in its colours: the canvas shows what the hardware fetches.
    // Without a screen, V says why in the status bar and changes nothing; the menu's entries are
    // off.
    void screenOnView()
    {
        auto [bytes, fetch, colours, expected] = Rows::fetch<QByteArray, int, QString, QString>(
            "snapshot", "fetch", "colours", "expected");
        WindowFixture f(bytes);
        const QImage before = f.shown();
        f.key(Qt::Key_V);
        const RipperState &s = f.state();
        const QString status = f.window.statusBar()->currentMessage();
        if (fetch < 0) {
            QVERIFY(status.startsWith(expected) && f.shown() == before
                && !entry(f, "&Displayed Screen")->isEnabled()
                && !entry(f, "Screens")->isEnabled());
            return;
        }
        const QString notes
            = status.endsWith(')') ? " | " + status.section(" (", 1).chopped(1) : "";
        QCOMPARE(QString::asprintf("%s %dx%d %dp %c%d", s.mode ? "ST" : "AM", s.blXSize, s.blYSize,
                     s.bits, s.skipmode ? 'b' : 'p', s.skip)
                + notes,
            expected);
        if (fetch == 0)
            return;
        const QImage reference = fetched(bytes, CopperWalk::walk(s), fetch, s.bits, colours);
        for (bool roundTrip : { false, !expected.contains("not kept") })
            checkShown(f, reference, roundTrip);
    }

    // V shows the title screen in its colours, V again the panel, then the title again; the Screens
    // menu lists both and shows either.
    void demoDisplay()
    {
        const DemoSnapshot::Demo demo = DemoSnapshot::build();
        WindowFixture f(demo.bytes);
        QAction *panel = entry(f, "2: 320\u00D748, 2 planes AM, chip $052000, lines 244-291");
        QVERIFY(f.showActive() && panel
            && entry(f, "1: 320\u00D7200, 5 planes ST, chip $048000, lines 44-243"));
        for (int step = 0; step < 4; ++step) {
            step < 3 ? f.key(Qt::Key_V) : panel->trigger();
            QImage expected = demo.screens[step % 2].picture;
            expected.setColorTable(TestSnapshot::rgbOfWords(demo.screens[step % 2].colours));
            checkShown(f, expected, step == 2);
        }
        // The list of the shaded ball that nothing displays, from Screens in Memory.
        const DemoSnapshot::Picture &ball = demo.pictures[4];
        const int chip = demo.screens[0].offset - int(demo.screens[0].chipAddress);
        QAction *memory = entry(f,
            QString::asprintf("$%06X: 320\u00D7200, 5 planes AM, 32 colours", ball.offset - chip));
        QVERIFY(memory);
        memory->trigger();
        QImage expected = ball.frames[0];
        expected.setColorTable(TestSnapshot::rgbOfWords(demo.simpleColours));
        checkShown(f, expected, false);
        // A click on the memory map moves the view there, one step of Backspace.
        f.key(Qt::Key_M, Qt::ControlModifier);
        QVERIFY(f.window.memoryMap() && f.window.memoryMap()->isVisible());
        const int before = f.state().offset;
        emit f.window.memoryMap()->positionPicked(12345);
        QCOMPARE(f.state().offset, 12345);
        f.key(Qt::Key_Backspace);
        QCOMPARE(f.state().offset, before);
        // G on each picture's first byte finds its width, and changes nothing else.
        for (const DemoSnapshot::Picture &p : demo.pictures) {
            f.show(View().at(p.offset).size(7, 33).planes(p.planes).inMode(p.mode));
            f.key(Qt::Key_G);
            QCOMPARE(QList<int>({ f.state().blXSize, f.state().blYSize, f.state().offset }),
                QList<int>({ p.widthBytes, 33, p.offset }));
        }
    }
};

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"
