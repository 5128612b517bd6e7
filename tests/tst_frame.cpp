// The displayed frame: playfields, HAM, half-brite, sprites and their priorities, the colours of
// each line; the frame window's readout and clicks; the demo's sprites.
#include "demosnapshot.h"
#include "displaysnapshot.h"
#include "frameprobe.h"
#include "framewindow.h"
#include "reference.h"
#include "rows.h"
#include "spriteview.h"
#include "windowfixture.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QStatusBar>

namespace {

// A list from $1000, a lores display window from line 44 to 300 and column $81, DMA on; the
// frame's first column shows the first pixel fetched, its first row line 44.
const QString Base = "080=1000 08E=2C81 090=2CC1 092=38 094=D0 096=03A0 10C=0011 @1000 ";

// Two planes at $8000 and $8028 whose first row starts 1100 1100 / 1111 0000: values 3 2 1 0.
const QString TwoPlanes = "pt2:8000+28 =8000:CCCC =8028:F0F0 ";

// A sprite's control words for `line` 44 + y and column x, one line tall, then its data words.
QString sprite(
    const char *at, int x, int y, const char *data, bool attach = false, const char *pad = "")
{
    const int hstart = 0x80 + x, vstart = 0x2C + y;
    return QString::asprintf("=%s:%X%s.%X%s.%s.0.0 ", at, vstart << 8 | hstart >> 1, pad,
        (vstart + 1) << 8 | (attach ? 0x80 : 0) | (hstart & 1), pad, data);
}

// "x,y=N": colour index N at frame pixel (x, y); "=$RGB": that 12-bit colour through the
// program's table; "=#RRGGBB" that colour; "=sN": sprite entry N drawn there.
QString mismatch(const FrameRender::Frame &frame, const QString &check)
{
    const QPoint at(
        check.section(',', 0, 0).toInt(), check.section('=', 0, 0).section(',', 1).toInt());
    const QString want = check.section('=', 1);
    if (!frame.image.rect().contains(at))
        return check + ": outside the frame";
    const std::size_t i = std::size_t(at.y() * frame.image.width() + at.x());
    const QRgb rgb = frame.image.pixel(at) & 0xFFFFFF;
    const QString got = want.startsWith('$')
        ? QString::asprintf("$%03X", int(want.mid(1).toUInt(nullptr, 16)))
            + (TestSnapshot::rgbOfWord(int(want.mid(1).toUInt(nullptr, 16))) == (rgb | 0xFF000000u)
                    ? QString()
                    : QString::asprintf(" (#%06X)", rgb))
        : want.startsWith('#') ? QString::asprintf("#%06X", rgb)
        : want.startsWith('s') ? QString::asprintf("s%d", frame.spriteAt[i])
                               : QString::number(frame.indices[i]);
    return got == want ? QString() : check + ": " + got;
}

} // namespace

class TestFrame : public QObject
{
    Q_OBJECT

private slots:
    void rules_data()
    {
        Rows::columns<QString, QString>("program", "checks");
        const auto row = [](const char *name, const QString &program, const char *checks) {
            QTest::newRow(name) << program << checks;
        };
        row("two planes", "100=2200 " + TwoPlanes + "end", "0,0=3 2,0=2 4,0=1 6,0=0");
        const QString dual = "100=4600 pt4:8000+28 =8000:CCCC =8028:F0F0 =8050:0 =8078:0 ";
        row("dual playfield", dual + "end", "0,0=1 2,0=9 4,0=1 6,0=0");
        row("playfield 2 in front", dual + "104:0040 end", "0,0=9 2,0=9 4,0=1 6,0=0");
        row("playfield 2 four pixels late", dual + "104:0040 102:0040 end",
            "0,0=1 4,0=9 6,0=9 8,0=1");
        row("playfield 1 two pixels late", dual + "102:0002 end", "0,0=9 2,0=1 4,0=0 6,0=1");
        row("AGA: playfield 2 at colour 2", "aga " + dual + "106:0400 end", "2,0=3");
        row("AGA: playfield 2 at colour 4", "aga " + dual + "106:0800 end", "2,0=5");
        row("AGA: playfield 2 at colour 8", "aga " + dual + "106:0C00 end", "2,0=9");
        row("half-brite",
            "100=6200 180:0C84 pt6:8000+28 =8000:0 =8028:0 =8050:0 =8078:0 =80A0:0 "
            "=80C8:8000 end",
            "0,0=32 0,0=$642");
        row("AGA: half-brite halves 8-bit components",
            "aga 100=6200 182:0C84 pt6:8000+28 =8000:8000 =8028:0 =8050:0 =8078:0 =80A0:0 "
            "=80C8:8000 end",
            "0,0=33 0,0=#664422");
        row("HAM6 from the line's start",
            "100=6A00 180:0 182:0123 pt6:8000+2800 =8000:C000 =A800:4000 =D000:4000 =F800:4000 "
            "=12000:4000 =14800:2000 =8028:8000 =A828:0 =D028:8000 =F828:0 =12028:8000 "
            "=14828:0 end",
            "0,0=1 0,0=$123 1,0=$12F 2,0=$02F 3,0=0 0,1=$005");
        row("HAM8",
            "aga 100=0A10 pt8:8000+2800 =8000:4000 =A800:0 =D000:C000 =F800:4000 "
            "=12000:4000 =14800:4000 =17000:4000 =19800:4000 =8028:0 =A828:8000 =D028:0 "
            "=F828:0 =12028:0 =14828:0 =17028:0 =19828:8000 end",
            "0,0=1 0,0=#01FE07 1,0=#01FEFF 0,1=#80FF00");
        row("BPLAM", "aga 100=2200 10C:0311 " + TwoPlanes + "end", "0,0=0 2,0=1 6,0=3");
        row("colours by line", "100=0200 180:F00 w2D 180:0F0 w2E.E0 180:00F end",
            "0,0=$F00 0,1=$0F0 0,2=$0F0 0,3=$00F");
        row("AGA: colours by line", "aga 100=0200 180:F00 w2D 180:0F0 end",
            "0,0=#FF0000 0,1=#00FF00");
        const QString sprites = "120:6000 " + sprite("6000", 8, 0, "8000.0");
        row("sprite over colour 0", "100=0200 104:0024 " + sprites + "end", "8,0=17 8,0=s0 9,0=0");
        row("sprite behind the playfield", "100=2200 104:0000 " + TwoPlanes + sprites + "end",
            "0,0=3 8,0=3");
        row("sprite in front of the playfield", "100=2200 104:0020 " + TwoPlanes + sprites + "end",
            "8,0=17");
        row("PF1P does not count alone", "100=2200 104:0004 " + TwoPlanes + sprites + "end",
            "8,0=3");
        row("sprite reused lower down",
            "100=0200 120:6000 =6000:2C48.2D00.0.8000.2F48.3000.8000.8000.0.0 end",
            "16,0=18 16,1=0 16,3=19 16,3=s1");
        row("sprite below line 255",
            "100=0200 120:6000 =6000:FE48.0202.8000.0.8000.0.8000.0.8000.0.FFFF.FFFF.FFFF.FFFF end",
            "16,210=17 16,213=17 16,214=0");
        row("sprite 0 in front of sprite 1",
            "100=0200 120:6000 124:6100 " + sprite("6000", 4, 0, "8000.0")
                + sprite("6100", 4, 0, "8000.8000") + "end",
            "4,0=17 4,0=s0");
        row("attached pair",
            "100=0200 128:6000 12C:6100 " + sprite("6000", 16, 0, "8000.0")
                + sprite("6100", 16, 0, "0.8000", true) + "end",
            "16,0=25 16,0=s0");
        row("attached odd sprite without its partner",
            "100=0200 12C:6100 " + sprite("6100", 16, 0, "0.8000", true) + "end",
            "16,0=24 16,0=s0");
        row("AGA: 64 pixels wide, colour bank 3",
            "aga 100=0200 1FC:000C 10C:0031 120:6000 "
                + sprite("6000", 0, 0, "0.0.0.1.0.0.0.0", false, ".0.0.0") + "end",
            "63,0=49 62,0=0");
        row("AGA: attached pair from the odd bank",
            "aga 100=0200 10C:0015 128:6000 12C:6100 " + sprite("6000", 16, 0, "8000.0")
                + sprite("6100", 16, 0, "0.8000", true) + "end",
            "16,0=89");
        row("AGA: super-hires sprite, super-hires frame",
            "aga 100=0200 106:00C0 120:6000 " + sprite("6000", 2, 0, "4000.0") + "end",
            "8,0=0 9,0=17 10,0=0");
        row("AGA: hires sprite, hires frame",
            "aga 100=0200 106:0080 120:6000 " + sprite("6000", 2, 0, "4000.0") + "end",
            "4,0=0 5,0=17 6,0=0");
    }

    // Each check of the frame the program draws.
    void rules()
    {
        auto [program, checks] = Rows::fetch<QString, QString>("program", "checks");
        const FrameRender::Frame frame
            = FrameRender::render(Reference::loaded(DisplaySnapshot::build(Base + program)));
        QStringList wrong;
        for (const QString &check : checks.split(' '))
            wrong << mismatch(frame, check);
        wrong.removeAll(QString());
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join("; ")));
    }

    // The Sprites menu's entries, top to bottom: an attached pair once, positions from the window's
    // corner.
    void spriteSummaries()
    {
        const FrameRender::Frame frame = FrameRender::render(
            Reference::loaded(DisplaySnapshot::build(Base + "100=0200 120:6000 128:6200 12C:6300 "
                + sprite("6000", 8, 3, "8000.0") + sprite("6200", 16, 0, "8000.0")
                + sprite("6300", 16, 0, "0.8000", true) + "end")));
        QStringList entries;
        for (int i : SpriteView::listed(frame))
            entries << FrameRender::spriteSummary(frame, i);
        QCOMPARE(entries,
            QStringList({ "Sprite 2+3: 16\u00D71 at (16, 0), colours 17-31, chip $006204",
                "Sprite 0: 16\u00D71 at (8, 3), colours 17-19, chip $006004" }));
    }

    // F shows the demo's title and panel with its sprites over them; the pointer names what lies
    // under it at zoom 2; a click on a sprite puts its data on the view, one on the title the
    // title from that line; the export writes the frame.
    void demoFrame()
    {
        const DemoSnapshot::Demo demo = DemoSnapshot::build();
        WindowFixture f(demo.bytes);
        QVERIFY(f.showActive());
        f.key(Qt::Key_F);
        FrameWindow *w = f.window.frameWindow();
        QVERIFY(w && w->isVisible());
        const FrameRender::Frame &frame = f.window.displayedFrame();
        QImage expected(320, 248, QImage::Format_Indexed8);
        expected.setColorCount(256);
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x)
                expected.setPixel(x, y,
                    y < 200 ? demo.screens[0].picture.pixelIndex(x, y)
                            : demo.screens[1].picture.pixelIndex(x, y - 200));
        for (const DemoSprites::Sprite &s : demo.sprites)
            for (int j = 0; j < 16; ++j)
                for (int i = 0; i < 16; ++i)
                    if (const int v = s.picture.pixelIndex(i, j))
                        expected.setPixel(
                            s.x + i, s.y + j, 16 + (s.attached ? 0 : 4 * s.channel / 2) + v);
        QCOMPARE(frame.image.size(), expected.size());
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x)
                QCOMPARE(frame.indices[std::size_t(y * 320 + x)],
                    std::int16_t(expected.pixelIndex(x, y)));

        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTest::keyClick(w, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(f.window.zoom(), 1);
        QCOMPARE(w->zoom(), 2);
        QCOMPARE(w->form().labelFrame->pixmap().size(), QSize(640, 496));
        const DemoSprites::Sprite &ring = demo.sprites[0];
        const QPoint onRing(ring.x + 8, ring.y + 2);
        QLabel *label = w->form().labelFrame;
        QMouseEvent move(QEvent::MouseMove, 2 * onRing + QPointF(1, 1),
            label->mapToGlobal(2 * onRing + QPointF(1, 1)), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(label, &move);
        const int chipFirst = demo.screens[0].offset - int(demo.screens[0].chipAddress);
        const int data = int(ring.chipAddress) + 4;
        QCOMPARE(w->form().labelFrameInfo->text(),
            QString::asprintf("Sprite 0, pixel (8, 2), colour %d #%06X, chip $%06X",
                expected.pixelIndex(onRing), frame.image.pixel(onRing) & 0xFFFFFF, data + 9));
        QTest::mouseClick(label, Qt::LeftButton, {}, 2 * onRing);
        const RipperState &s = f.state();
        QCOMPARE(QList<int>({ s.offset, s.blXSize, s.blYSize, s.bits, s.mode }),
            QList<int>({ chipFirst + data, 2, 16, 2, int(RipperState::ModeST) }));
        QTest::mouseClick(label, Qt::LeftButton, {}, 2 * QPoint(300, 10));
        QCOMPARE(QList<int>({ s.offset, s.blXSize, s.bits, s.mode }),
            QList<int>({ demo.screens[0].offset + 10 * 200, 40, 5, int(RipperState::ModeST) }));

        f.window.close(); // takes the frame window with it
        QVERIFY(!w->isVisible());
        f.prompts.answers << f.dir.filePath("frame.png");
        f.window.exportDisplayedFrame();
        QCOMPARE(
            QImage(f.dir.filePath("frame.png")).convertToFormat(QImage::Format_RGB32), frame.image);
    }
};

QTEST_MAIN(TestFrame)
#include "tst_frame.moc"
