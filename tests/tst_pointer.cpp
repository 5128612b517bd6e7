// The picture area as an instrument: the readout under the pointer, double-click to make a
// picture the first with Backspace to go back, and zoom.
#include "windowfixture.h"

#include <QStatusBar>
#include <QTest>
#include <tuple>

// View, zoom, the pointer in the picture area, the picture under it (-1: none), its pixel there.
using Spot = std::tuple<View, int, QPoint, int, QPoint>;
Q_DECLARE_METATYPE(Spot)

namespace {

// Pixel (x, y) of the picture area, inside labelPicture's frame.
QPoint inArea(const WindowFixture &f, int x, int y)
{
    return f.ui().labelPicture->contentsRect().topLeft() + QPoint(x, y);
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

class TestPointer : public QObject
{
    Q_OBJECT

private slots:
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
            << Spot { View(v).skipping(16, 1), 1, { 779, 0 }, 22, { 31, 0 } };
        QTest::newRow("before chip RAM") << Spot { View(v).at(0), 1, { 3, 1 }, 0, { 3, 1 } };
        QTest::newRow("border") << Spot { v, 1, { 32, 5 }, -1, {} };
        QTest::newRow("empty cell") << Spot { View().size(40, 250), 1, { 700, 10 }, -1, {} };
        QTest::newRow("zoom 2") << Spot { v, 2, { 155, 71 }, 25, { 9, 13 } };
        QTest::newRow("zoom 3") << Spot { v, 3, { 233, 107 }, 25, { 9, 13 } };
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
        QTest::mouseMove(f.ui().labelPicture, inArea(f, at.x(), at.y()));
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
            i < 17 ? doubleClick(f, inArea(f, 70, 0)) : f.key(Qt::Key_Backspace);
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
        QCOMPARE(enabled, QList<bool>({ zoom<4, zoom> 1, zoom > 1 }));
        QCOMPARE(f.state().canvas, canvas);
        const QImage shown = f.shown();
        QCOMPARE(shown.size(), QSize((800 + zoom - 1) / zoom, (600 + zoom - 1) / zoom) * zoom);
        const QImage part = canvas.copy(QRect(QPoint(), shown.size() / zoom));
        QCOMPARE(shown, part.scaled(shown.size()).convertToFormat(shown.format())); // replicated
        QCOMPARE(Pelvane().zoom(), zoom); // kept in settings.ini
    }

    void zoomSetting_data() // the row's name is the line in settings.ini
    {
        QTest::addColumn<int>("zoom");
        for (auto [line, zoom] : { std::pair("zoom=3", 3), { "zoom=4", 4 }, { "other=2", 1 },
                 { "zoom=5", 1 }, { "zoom=0", 1 }, { "zoom=2.5", 1 }, { "zoom=two", 1 },
                 { "zoom=2, 3", 1 }, { "zoom=4294967298", 1 } })
            QTest::newRow(line) << zoom;
    }

    void zoomSetting()
    {
        QFETCH(int, zoom);
        WorkDir dir;
        dir.writeFile("settings.ini", QByteArray("[General]\n") + QTest::currentDataTag() + "\n");
        QCOMPARE(Pelvane().zoom(), zoom);
    }
};

QTEST_MAIN(TestPointer)
#include "tst_pointer.moc"
