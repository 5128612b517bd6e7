#include "decoder.h"
#include "exporter.h"
#include "grid.h"
#include "workdir.h"

#include <QImageReader>
#include <QTest>

#include <limits>

namespace {

using Exporter::Result;

// Varied bytes under a 3-plane view with skip mode 1 and a palette like no other, so every pixel
// can be traced.
RipperState exportState(int size = 64 * 1024)
{
    RipperState state;
    std::uint32_t seed = 12345;
    state.fileData.resize(std::size_t(size));
    for (std::uint8_t &byte : state.fileData)
        byte = std::uint8_t((seed = seed * 1664525u + 1013904223u) >> 24);
    state.filesize = size;
    state.fileLoaded = true;
    std::tie(state.offset, state.blXSize, state.blYSize, state.bits, state.skipmode, state.skip)
        = std::make_tuple(37, 3, 11, 3, int(RipperState::SkipBitplanes), 16);
    state.canvas = QImage(Grid::CanvasWidth, Grid::CanvasHeight, QImage::Format_Indexed8);
    QList<QRgb> colors;
    for (int i = 0; i < 256; ++i)
        colors << qRgb(i, 255 - i, (i * 37) & 0xFF);
    state.canvas.setColorTable(colors);
    return state;
}

// The first pixel that differs from the picture at `position` drawn at (left, top), as text.
QString mismatch(
    const RipperState &s, const QImage &image, std::int64_t position, int left, int top)
{
    for (int y = 0; y < s.blYSize && top + y < image.height(); ++y)
        for (int x = 0; x < 8 * s.blXSize && left + x < image.width(); ++x)
            if (image.pixelIndex(left + x, top + y) != Decoder::pixelValue(s, position, x, y))
                return QStringLiteral("(%1, %2) of the picture at %3").arg(x).arg(y).arg(position);
    return QString();
}

bool allPixelsIn(const QImage &image, const QRect &area, int index)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelIndex(x, y) != index)
                return false;
    return true;
}

} // namespace

class ExportTest : public QObject
{
    Q_OBJECT

    WorkDir m_dir;

private slots:
    // Over an existing file, in a storage mode and order other than the first.
    void singlePictureInCurrentPalette()
    {
        RipperState state = exportState();
        state.mode = RipperState::ModeST;
        state.reverse = true;
        state.bitplaneorder = { 2, 0, 1, 3, 4, 5, 6, 7 };
        const QString file = m_dir.writeFile("one.png", "old contents");
        QCOMPARE(Exporter::exportPictures(state, {}, file), Result::Written);
        QImageReader reader(file);
        QCOMPARE(reader.format(), QByteArray("png"));
        const QImage image = reader.read();
        QCOMPARE(image.format(), QImage::Format_Indexed8);
        QCOMPARE(image.size(), QSize(8 * state.blXSize, state.blYSize));
        QCOMPARE(image.colorTable(), state.canvas.colorTable());
        QCOMPARE(mismatch(state, image, state.offset, 0, 0), QString());
    }

    // 3 x 2 pictures with a border of 2; the colour's low eight bits fill the border.
    void gridOrderAndBorders_data()
    {
        QTest::addColumn<bool>("leftToRight");
        QTest::addColumn<QPoint>("secondCell"); // column, row of the second picture in memory
        QTest::addColumn<int>("color");
        QTest::addColumn<int>("index");
        QTest::newRow("Left -> Right: down first") << true << QPoint(0, 1) << 253 << 253;
        QTest::newRow("Up -> Down: across first") << false << QPoint(1, 0) << 253 << 253;
        QTest::newRow("colour 256 + 253") << true << QPoint(0, 1) << 256 + 253 << 253;
        QTest::newRow("colour -1") << true << QPoint(0, 1) << -1 << 255;
        QTest::newRow("lowest colour")
            << true << QPoint(0, 1) << std::numeric_limits<int>::min() << 0;
    }

    void gridOrderAndBorders()
    {
        QFETCH(bool, leftToRight);
        QFETCH(QPoint, secondCell);
        QFETCH(int, color);
        QFETCH(int, index);
        const RipperState state = exportState();
        const QImage image = Exporter::compose(state, { 3, 2, leftToRight, 2, color });
        const int width = 8 * state.blXSize, cellWidth = width + 2, cellHeight = state.blYSize + 2;
        QCOMPARE(image.size(), QSize(cellWidth * 3, cellHeight * 2));
        const std::int64_t stride = (11 * 3 + 16) * 3; // skip mode 1: a gap after each plane
        QCOMPARE(mismatch(state, image, state.offset + stride, secondCell.x() * cellWidth,
                     secondCell.y() * cellHeight),
            QString());
        for (int k = 0; k < 6; ++k) {
            const int left = (leftToRight ? k / 2 : k % 3) * cellWidth;
            const int top = (leftToRight ? k % 2 : k / 3) * cellHeight;
            QCOMPARE(mismatch(state, image, state.offset + k * stride, left, top), QString());
            QVERIFY(allPixelsIn(image, QRect(left + width, top, 2, cellHeight), index));
            QVERIFY(allPixelsIn(image, QRect(left, top + state.blYSize, cellWidth, 2), index));
        }
    }

    void largerThanCanvasHoldsWholePictures()
    {
        RipperState state = exportState(256 * 1024);
        state.blXSize = 110; // 880 pixels, wider than the canvas
        state.blYSize = 650; // taller than the canvas
        state.bits = 2;
        state.offset = 1000;
        const QImage image = Exporter::compose(state, { 2, 1, true, 3, 253 });
        QCOMPARE(image.size(), QSize(2 * 883, 653));
        QCOMPARE(mismatch(state, image, state.offset, 0, 0), QString());
        QCOMPARE(
            mismatch(state, image, state.offset + Grid::pictureStride(state), 883, 0), QString());
    }

    void negativeBorderOverlaps()
    {
        RipperState state = exportState();
        state.blXSize = 2; // 16 pixels
        state.blYSize = 8;
        // Cells of 12 by 4, drawn in order 0, 1 (right), 2 (below), 3: the later one wins.
        const QImage image = Exporter::compose(state, { 2, 2, false, -4, 253 });
        QCOMPARE(image.size(), QSize(24, 8));
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const int column = std::min(x / 12, 1), row = std::min(y / 4, 1);
                const std::int64_t at
                    = state.offset + (row * 2 + column) * Grid::pictureStride(state);
                QCOMPARE(image.pixelIndex(x, y),
                    Decoder::pixelValue(state, at, x - column * 12, y - row * 4));
            }
        }
    }

    void refused_data()
    {
        QTest::addColumn<QSize>("blSize");
        QTest::addColumn<QSize>("pictures");
        QTest::addColumn<int>("border");
        QTest::addColumn<Result>("result");
        const int intMax = std::numeric_limits<int>::max();
        QTest::newRow("widest side") << QSize(4000, 10) << QSize(1, 1) << 767 << Result::Written;
        QTest::newRow("a pixel wider") << QSize(4000, 10) << QSize(1, 1) << 768 << Result::TooLarge;
        QTest::newRow("most pixels") << QSize(1, 1) << QSize(4095, 8194) << 0 << Result::Written;
        QTest::newRow("a row more") << QSize(1, 1) << QSize(4095, 8195) << 0 << Result::TooLarge;
        QTest::newRow("huge counts")
            << QSize(40, 200) << QSize(intMax, intMax) << 0 << Result::TooLarge;
        QTest::newRow("huge border") << QSize(40, 200) << QSize(1, 1) << intMax << Result::TooLarge;
        QTest::newRow("cell width 0") << QSize(2, 10) << QSize(3, 3) << -16 << Result::Empty;
        QTest::newRow("lowest border")
            << QSize(40, 200) << QSize(1, 1) << -intMax - 1 << Result::Empty;
    }

    void refused()
    {
        QFETCH(QSize, blSize);
        QFETCH(QSize, pictures);
        QFETCH(int, border);
        QFETCH(Result, result);
        RipperState state = exportState();
        state.blXSize = blSize.width();
        state.blYSize = blSize.height();
        const Exporter::Request r { pictures.width(), pictures.height(), true, border, 1 };
        QCOMPARE(Exporter::check(state, r), result);
        if (result == Result::Written)
            return; // allowed bounds are only checked: composing them would take a gigabyte
        QVERIFY(Exporter::compose(state, r).isNull());
        QCOMPARE(Exporter::exportPictures(state, r, m_dir.writeFile("kept.png", "old")), result);
        QCOMPARE(m_dir.readFile("kept.png"), QByteArray("old"));
    }
};

QTEST_GUILESS_MAIN(ExportTest)
#include "tst_export.moc"
