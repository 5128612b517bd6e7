#include "decoder.h"
#include "exporter.h"
#include "grid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

namespace {

// A snapshot of varied bytes, a multi-plane view over it and a canvas whose palette is like no
// other, so every picture and every colour in a file can be traced.
RipperState exportState(int size = 64 * 1024)
{
    RipperState state;
    std::uint32_t seed = 12345;
    state.fileData.resize(std::size_t(size));
    for (std::uint8_t &byte : state.fileData) {
        seed = seed * 1664525u + 1013904223u;
        byte = std::uint8_t(seed >> 24);
    }
    state.filesize = size;
    state.fileLoaded = true;
    state.offset = 37;
    state.blXSize = 3;
    state.blYSize = 11;
    state.bits = 3;
    state.canvas = QImage(Grid::CanvasWidth, Grid::CanvasHeight, QImage::Format_Indexed8);
    QList<QRgb> colors;
    for (int i = 0; i < 256; ++i)
        colors << qRgb(i, 255 - i, (i * 37) & 0xFF);
    state.canvas.setColorTable(colors);
    return state;
}

Exporter::Request request(int picturesX, int picturesY, bool leftToRight, int border, int color)
{
    Exporter::Request r;
    r.picturesX = picturesX;
    r.picturesY = picturesY;
    r.leftToRight = leftToRight;
    r.border = border;
    r.color = color;
    return r;
}

// The first pixel of `image` that differs from the picture at `position` drawn at (left, top),
// as text; empty when the whole visible picture matches.
QString pictureMismatch(
    const RipperState &state, const QImage &image, std::int64_t position, int left, int top)
{
    for (int y = 0; y < state.blYSize && top + y < image.height(); ++y) {
        for (int x = 0; x < 8 * state.blXSize && left + x < image.width(); ++x) {
            const int expected = Decoder::pixelValue(state, position, x, y);
            const int actual = image.pixelIndex(left + x, top + y);
            if (actual != expected)
                return QStringLiteral("pixel (%1, %2) of the picture at %3: %4, expected %5")
                    .arg(x)
                    .arg(y)
                    .arg(position)
                    .arg(actual)
                    .arg(expected);
        }
    }
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

private slots:
    void init();

    void singlePictureInCurrentPalette_data();
    void singlePictureInCurrentPalette();
    void gridOrderAndBorders_data();
    void gridOrderAndBorders();
    void sameSequenceAsTheGrid_data();
    void sameSequenceAsTheGrid();
    void largerThanCanvasHoldsWholePictures();
    void negativeBorderOverlaps();
    void colourTakesLowEightBits_data();
    void colourTakesLowEightBits();
    void refused_data();
    void refused();
    void writeFailure_data();
    void writeFailure();
    void replacesExistingFileWhenWritten();
    void exportLeavesStateAlone();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void ExportTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void ExportTest::singlePictureInCurrentPalette_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("reverse");
    QTest::newRow("AM") << int(RipperState::ModeAM) << false;
    QTest::newRow("ST reversed") << int(RipperState::ModeST) << true;
    QTest::newRow("SP") << int(RipperState::ModeSP) << false;
    QTest::newRow("C+") << int(RipperState::ModeCplus) << false;
    QTest::newRow("C-") << int(RipperState::ModeCminus) << false;
}

void ExportTest::singlePictureInCurrentPalette()
{
    QFETCH(int, mode);
    QFETCH(bool, reverse);
    RipperState state = exportState();
    state.mode = mode;
    state.reverse = reverse;
    state.bitplaneorder = { 2, 0, 1, 3, 4, 5, 6, 7 };
    const QString file = path("one.png");
    QCOMPARE(Exporter::exportPictures(state, Exporter::Request(), file), Exporter::Result::Written);

    QImageReader reader(file);
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage image = reader.read();
    QCOMPARE(image.format(), QImage::Format_Indexed8);
    QCOMPARE(image.size(), QSize(8 * state.blXSize, state.blYSize));
    QCOMPARE(image.colorTable(), state.canvas.colorTable());
    QCOMPARE(pictureMismatch(state, image, state.offset, 0, 0), QString());
}

void ExportTest::gridOrderAndBorders_data()
{
    QTest::addColumn<bool>("leftToRight");
    QTest::addColumn<QPoint>("secondCell"); // column, row of the second picture in memory
    QTest::newRow("Left -> Right: down the column first") << true << QPoint(0, 1);
    QTest::newRow("Up -> Down: along the row first") << false << QPoint(1, 0);
}

void ExportTest::gridOrderAndBorders()
{
    QFETCH(bool, leftToRight);
    QFETCH(QPoint, secondCell);
    const RipperState state = exportState();
    const int columns = 3, rows = 2, border = 2;
    const QImage image = Exporter::compose(state, request(columns, rows, leftToRight, border, 253));
    const int cellWidth = 8 * state.blXSize + border;
    const int cellHeight = state.blYSize + border;
    QCOMPARE(image.size(), QSize(cellWidth * columns, cellHeight * rows));

    const std::int64_t stride = Grid::pictureStride(state);
    QCOMPARE(pictureMismatch(state, image, state.offset + stride, secondCell.x() * cellWidth,
                 secondCell.y() * cellHeight),
        QString());
    for (int k = 0; k < columns * rows; ++k) {
        const int column = leftToRight ? k / rows : k % columns;
        const int row = leftToRight ? k % rows : k / columns;
        const int left = column * cellWidth, top = row * cellHeight;
        QCOMPARE(pictureMismatch(state, image, state.offset + k * stride, left, top), QString());
        const QRect right(left + 8 * state.blXSize, top, border, cellHeight);
        const QRect below(left, top + state.blYSize, cellWidth, border);
        QVERIFY2(allPixelsIn(image, right, 253) && allPixelsIn(image, below, 253),
            qPrintable(QStringLiteral("border of picture %1").arg(k)));
    }
}

void ExportTest::sameSequenceAsTheGrid_data()
{
    QTest::addColumn<int>("skipmode");
    QTest::newRow("skip after pictures") << int(RipperState::SkipPictures);
    QTest::newRow("skip after bitplanes") << int(RipperState::SkipBitplanes);
}

// With the grid's own gap and order the export holds exactly the pictures the canvas shows.
void ExportTest::sameSequenceAsTheGrid()
{
    QFETCH(int, skipmode);
    RipperState state = exportState();
    state.skipmode = skipmode;
    state.skip = 16;
    state.bits = 2;
    state.blXSize = 12;
    state.blYSize = 40;
    state.numX = Grid::columnsFor(state.blXSize);
    state.numY = Grid::rowsFor(state.blYSize);
    Grid::drawGrid(state, state.canvas);

    const QImage image = Exporter::compose(
        state, request(state.numX, state.numY, false, Grid::Gap, Grid::BackgroundIndex));
    const QRect shown(0, 0, state.numX * (8 * state.blXSize + Grid::Gap),
        state.numY * (state.blYSize + Grid::Gap));
    QCOMPARE(image.size(), shown.size());
    QCOMPARE(image, state.canvas.copy(shown));
}

void ExportTest::largerThanCanvasHoldsWholePictures()
{
    RipperState state = exportState(256 * 1024);
    state.blXSize = 110; // 880 pixels, wider than the canvas
    state.blYSize = 650; // taller than the canvas
    state.bits = 2;
    state.offset = 1000;
    const QImage image = Exporter::compose(state, request(2, 1, true, 3, 253));
    QCOMPARE(image.size(), QSize(2 * 883, 653));
    const std::int64_t stride = Grid::pictureStride(state);
    QCOMPARE(pictureMismatch(state, image, state.offset, 0, 0), QString());
    QCOMPARE(pictureMismatch(state, image, state.offset + stride, 883, 0), QString());
}

void ExportTest::negativeBorderOverlaps()
{
    RipperState state = exportState();
    state.blXSize = 2; // 16 pixels
    state.blYSize = 8;
    const int border = -4; // cells 12 by 4: pictures overlap their right and lower neighbours
    const QImage image = Exporter::compose(state, request(2, 2, false, border, 253));
    QCOMPARE(image.size(), QSize(24, 8));

    const std::int64_t stride = Grid::pictureStride(state);
    // Drawn in order 0, 1 (right of 0), 2 (below 0), 3: the last one drawn shows where they
    // overlap, and nothing beyond the image is drawn.
    auto pictureAt = [&](int x, int y) {
        const int column = std::min(x / 12, 1);
        const int row = std::min(y / 4, 1);
        return row * 2 + column;
    };
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int k = pictureAt(x, y);
            const int left = (k % 2) * 12, top = (k / 2) * 4;
            QCOMPARE(image.pixelIndex(x, y),
                Decoder::pixelValue(state, state.offset + k * stride, x - left, y - top));
        }
    }
}

void ExportTest::colourTakesLowEightBits_data()
{
    QTest::addColumn<int>("color");
    QTest::addColumn<int>("index");
    QTest::newRow("253") << 253 << 253;
    QTest::newRow("256 + 253") << 256 + 253 << 253;
    QTest::newRow("-1") << -1 << 255;
    QTest::newRow("not a number, as 0") << 0 << 0;
    QTest::newRow("lowest int") << std::numeric_limits<int>::min() << 0;
}

void ExportTest::colourTakesLowEightBits()
{
    QFETCH(int, color);
    QFETCH(int, index);
    const RipperState state = exportState();
    const QImage image = Exporter::compose(state, request(1, 1, true, 5, color));
    const QRect right(8 * state.blXSize, 0, 5, image.height());
    QVERIFY(allPixelsIn(image, right, index));
}

void ExportTest::refused_data()
{
    QTest::addColumn<int>("blXSize");
    QTest::addColumn<int>("blYSize");
    QTest::addColumn<int>("picturesX");
    QTest::addColumn<int>("picturesY");
    QTest::addColumn<int>("border");
    QTest::addColumn<Exporter::Result>("result");

    using R = Exporter::Result;
    const int intMax = std::numeric_limits<int>::max();
    const int intMin = std::numeric_limits<int>::min();
    QTest::newRow("widest allowed side") << 4000 << 10 << 1 << 1 << 767 << R::Written;
    QTest::newRow("one pixel too wide") << 4000 << 10 << 1 << 1 << 768 << R::TooLarge;
    QTest::newRow("too many across") << 40 << 10 << 103 << 1 << 0 << R::TooLarge;
    QTest::newRow("too many down") << 1 << 600 << 1 << 55 << 0 << R::TooLarge;
    QTest::newRow("too many pixels") << 2000 << 600 << 2 << 28 << 0 << R::TooLarge;
    QTest::newRow("most pixels allowed") << 1 << 1 << 4095 << 8194 << 0 << R::Written;
    QTest::newRow("one row more") << 1 << 1 << 4095 << 8195 << 0 << R::TooLarge;
    QTest::newRow("counts beyond all bounds") << 40 << 200 << intMax << intMax << 0 << R::TooLarge;
    QTest::newRow("border beyond all bounds") << 40 << 200 << 1 << 1 << intMax << R::TooLarge;
    QTest::newRow("cell width 0") << 2 << 10 << 3 << 3 << -16 << R::Empty;
    QTest::newRow("cell height 0") << 40 << 10 << 3 << 3 << -10 << R::Empty;
    QTest::newRow("most negative border") << 40 << 200 << 1 << 1 << intMin << R::Empty;
    QTest::newRow("no pictures") << 40 << 200 << 0 << 1 << 0 << R::Empty;
}

void ExportTest::refused()
{
    QFETCH(int, blXSize);
    QFETCH(int, blYSize);
    QFETCH(int, picturesX);
    QFETCH(int, picturesY);
    QFETCH(int, border);
    QFETCH(Exporter::Result, result);
    RipperState state = exportState();
    state.blXSize = blXSize;
    state.blYSize = blYSize;
    const Exporter::Request r = request(picturesX, picturesY, true, border, 1);
    QCOMPARE(Exporter::check(state, r), result);
    if (result == Exporter::Result::Written)
        return; // the bounds themselves are allowed; composing them is the other tests' work
    QVERIFY(Exporter::compose(state, r).isNull());
    const QString file = path("refused.png");
    {
        QFile existing(file);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("keep me");
    }
    QCOMPARE(Exporter::exportPictures(state, r, file), result);
    QFile kept(file);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("keep me"));
}

void ExportTest::writeFailure_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("missing directory") << QStringLiteral("missing/out.png");
    QTest::newRow("directory") << QStringLiteral("adir");
    QTest::newRow("below a file") << QStringLiteral("afile/out.png");
}

void ExportTest::writeFailure()
{
    QFETCH(QString, target);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("adir")));
    QFile plain(path("afile"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();

    const QString file = path(target);
    QCOMPARE(Exporter::exportPictures(exportState(), Exporter::Request(), file),
        Exporter::Result::WriteFailed);
    QVERIFY(!QFileInfo(file).isFile());
    QVERIFY(!QFileInfo::exists(path("missing")));
}

void ExportTest::replacesExistingFileWhenWritten()
{
    const QString file = path("again.png");
    {
        QFile existing(file);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("old contents");
    }
    const RipperState state = exportState();
    QCOMPARE(Exporter::exportPictures(state, request(2, 2, true, 1, 7), file),
        Exporter::Result::Written);
    QCOMPARE(QImage(file), Exporter::compose(state, request(2, 2, true, 1, 7)));

    // A directory that cannot be written keeps the old file whole; root may write anywhere.
    QVERIFY(QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QFile probe(path("probe"));
    const bool writable = probe.open(QIODevice::WriteOnly);
    const Exporter::Result result
        = Exporter::exportPictures(state, request(1, 1, true, 0, 7), file);
    QFile::setPermissions(
        m_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (writable)
        QSKIP("permissions do not stop this user from writing");
    QCOMPARE(result, Exporter::Result::WriteFailed);
    QCOMPARE(QImage(file), Exporter::compose(state, request(2, 2, true, 1, 7)));
}

void ExportTest::exportLeavesStateAlone()
{
    RipperState state = exportState();
    state.palfound = 77;
    state.palsearchpos = 99;
    const QImage canvasBefore = state.canvas.copy();
    QCOMPARE(Exporter::exportPictures(state, request(2, 3, false, 4, 9), path("x.png")),
        Exporter::Result::Written);
    QCOMPARE(state.palfound, 77);
    QCOMPARE(state.palsearchpos, 99);
    QCOMPARE(state.canvas, canvasBefore);
}

QTEST_GUILESS_MAIN(ExportTest)
#include "tst_export.moc"
