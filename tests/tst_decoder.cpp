// The decoder: the literal per-pixel definition against worked examples, and the fast picture
// decoder against the literal one over many random views.
#include "decoder.h"
#include "grid.h"
#include "picturedecoder.h"
#include "planarsimd.h"

#include <QTest>
#include <limits>
#include <random>

Q_DECLARE_METATYPE(PlanarSimd::Level)

class TestDecoder : public QObject
{
    Q_OBJECT

private slots:
    void planeAddresses_data();
    void planeAddresses();
    void skipModeMovesPlanes();
    void colourIndex_data();
    void colourIndex();
    void positionAtOrBeyondEndIsColourZero();
    void singlePlaneOrder();
    void fastMatchesLiteral_data();
    void fastMatchesLiteral();
    void gridMatchesLiteral_data();
    void gridMatchesLiteral();
    void farPositionsDoNotOverflow();
};

static RipperState stateWith(int W, int H, int N, int mode, int bytes)
{
    RipperState s;
    s.blXSize = W;
    s.blYSize = H;
    s.bits = N;
    s.mode = mode;
    s.fileData.assign(std::size_t(bytes), 0);
    s.filesize = bytes;
    s.fileLoaded = true;
    return s;
}

// W = 2, H = 3, N = 4, P = 100, pixel (9, 1): where each plane's bit lives.
void TestDecoder::planeAddresses_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("plane");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("bit");
    const int table[5][4][2] = {
        { { 103, 6 }, { 109, 6 }, { 115, 6 }, { 121, 6 } },
        { { 109, 6 }, { 111, 6 }, { 113, 6 }, { 115, 6 } },
        { { 105, 6 }, { 107, 6 }, { 117, 6 }, { 119, 6 } },
        { { 106, 6 }, { 107, 6 }, { 108, 6 }, { 109, 6 } },
        { { 106, 6 }, { 106, 2 }, { 107, 6 }, { 107, 2 } },
    };
    const char *names[] = { "AM", "ST", "SP", "C+", "C-" };
    for (int mode = 0; mode < 5; ++mode) {
        for (int plane = 0; plane < 4; ++plane) {
            QTest::addRow("%s plane %d", names[mode], plane)
                << mode << plane << table[mode][plane][0] << table[mode][plane][1];
        }
    }
}

void TestDecoder::planeAddresses()
{
    QFETCH(int, mode);
    QFETCH(int, plane);
    QFETCH(int, address);
    QFETCH(int, bit);
    RipperState s = stateWith(2, 3, 4, mode, 200);
    s.fileData[std::size_t(address)] = std::uint8_t(1 << bit);
    QCOMPARE(Decoder::pixelValue(s, 100, 9, 1), 1 << plane);
}

void TestDecoder::skipModeMovesPlanes()
{
    RipperState s = stateWith(2, 3, 4, RipperState::ModeAM, 200);
    s.skip = 10;
    s.fileData[151] = 1 << 6; // plane 3 of (9, 1) with skip mode "Bitplanes"
    QCOMPARE(Decoder::pixelValue(s, 100, 9, 1), 0);
    s.skipmode = RipperState::SkipBitplanes;
    QCOMPARE(Decoder::pixelValue(s, 100, 9, 1), 8);
}

void TestDecoder::colourIndex_data()
{
    QTest::addColumn<bool>("reverse");
    QTest::addColumn<QList<int>>("order");
    QTest::addColumn<int>("expected");
    QTest::newRow("identity") << false << QList<int> { 0, 1, 2 } << 3;
    QTest::newRow("reverse") << true << QList<int> { 0, 1, 2 } << 6;
    QTest::newRow("permuted") << false << QList<int> { 2, 0, 1 } << 6;
    QTest::newRow("empty slot") << false << QList<int> { 5, 1, 2 } << 2;
    QTest::newRow("repeated slot") << false << QList<int> { 0, 0, 0 } << 7;
}

// Three planes fetching 1, 1, 0 for pixel (0, 0).
void TestDecoder::colourIndex()
{
    QFETCH(bool, reverse);
    QFETCH(QList<int>, order);
    QFETCH(int, expected);
    RipperState s = stateWith(1, 1, 3, RipperState::ModeAM, 3);
    s.fileData = { 0x80, 0x80, 0x00 };
    s.reverse = reverse;
    for (int j = 0; j < 3; ++j)
        s.bitplaneorder[j] = order[j];
    QCOMPARE(Decoder::pixelValue(s, 0, 0, 0), expected);
    QImage image(8, 1, QImage::Format_Indexed8);
    image.fill(99);
    Decoder::drawPicture(s, image, 0, 0, 0);
    QCOMPARE(int(image.pixelIndex(0, 0)), expected);
}

void TestDecoder::positionAtOrBeyondEndIsColourZero()
{
    RipperState s = stateWith(4, 4, 8, RipperState::ModeAM, 512);
    std::fill(s.fileData.begin(), s.fileData.end(), 0xFF);
    for (std::int64_t position : { std::int64_t(512), std::int64_t(513), std::int64_t(1) << 40 }) {
        for (int x = 0; x < 32; ++x)
            QCOMPARE(Decoder::pixelValue(s, position, x, 3), 0);
    }
    QCOMPARE(Decoder::pixelValue(s, 511 - (7 * 16 + 4 * 3 + 3), 31, 3),
        255); // plane 7 reads the last byte
}

void TestDecoder::singlePlaneOrder()
{
    RipperState s = stateWith(1, 1, 1, RipperState::ModeAM, 1);
    s.fileData = { 0xA0 };
    QCOMPARE(Decoder::pixelValue(s, 0, 0, 0), 1);
    QCOMPARE(Decoder::pixelValue(s, 0, 1, 0), 0);
    s.bitplaneorder[0] = 3;
    QCOMPARE(Decoder::pixelValue(s, 0, 0, 0), 0);
}

struct RandomView
{
    RipperState state;
    std::int64_t position = 0;
    int left = 0;
    int top = 0;
    QSize dest;
};

static RandomView randomView(std::mt19937 &rng)
{
    auto pick = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    RandomView v;
    RipperState &s = v.state;
    s.mode = pick(0, 4);
    s.bits = pick(1, 8);
    s.blXSize = pick(0, 3) == 0 ? pick(1, 4000) : pick(1, 60);
    s.blYSize = pick(0, 3) == 0 ? pick(1, 600) : pick(1, 80);
    s.skipmode = pick(0, 1);
    s.skip = pick(0, 2) == 0 ? 0 : pick(0, 2048);
    s.reverse = pick(0, 1) == 1;
    for (int &entry : s.bitplaneorder)
        entry = pick(0, 7);
    const int size = pick(1, 200000);
    s.fileData.resize(std::size_t(size));
    for (auto &byte : s.fileData)
        byte = std::uint8_t(rng());
    s.filesize = size;
    switch (pick(0, 5)) {
    case 0:
        v.position = pick(-size, 0);
        break; // starts before the data
    case 1:
        v.position = size - pick(0, 2000);
        break; // runs past the end
    case 2:
        v.position = size + pick(0, 3);
        break; // at or just beyond the end
    case 3:
        v.position = std::int64_t(std::numeric_limits<int>::max()) - pick(0, 1000);
        break;
    default:
        v.position = pick(0, size - 1);
        break;
    }
    v.dest = pick(0, 4) == 0 ? QSize(800, 600) : QSize(pick(1, 1100), pick(1, 700));
    v.left = pick(0, 3) == 0 ? pick(0, 4000) : pick(0, v.dest.width() - 1);
    v.top = pick(0, v.dest.height() - 1);
    return v;
}

// The first pixel where two same-sized indexed images differ, or (-1, -1).
static QPoint firstDifference(const QImage &a, const QImage &b)
{
    for (int y = 0; y < a.height(); ++y) {
        const uchar *la = a.constScanLine(y);
        const uchar *lb = b.constScanLine(y);
        for (int x = 0; x < a.width(); ++x) {
            if (la[x] != lb[x])
                return QPoint(x, y);
        }
    }
    return QPoint(-1, -1);
}

void TestDecoder::fastMatchesLiteral_data()
{
    QTest::addColumn<unsigned>("seed");
    QTest::addColumn<PlanarSimd::Level>("level");
    for (unsigned seed = 1; seed <= 400; ++seed) {
        QTest::addRow("seed %u scalar", seed) << seed << PlanarSimd::Level::Scalar;
        QTest::addRow("seed %u SSE2", seed) << seed << PlanarSimd::Level::Sse2;
        QTest::addRow("seed %u AVX2", seed) << seed << PlanarSimd::Level::Avx2;
        QTest::addRow("seed %u AVX-512", seed) << seed << PlanarSimd::Level::Avx512;
    }
}

void TestDecoder::fastMatchesLiteral()
{
    QFETCH(unsigned, seed);
    QFETCH(PlanarSimd::Level, level);
#if defined(__x86_64__) || defined(_M_X64)
    QVERIFY(PlanarSimd::available() >= PlanarSimd::Level::Sse2);
#endif
    if (PlanarSimd::available() < level)
        QSKIP("this processor lacks the instruction set");
    PlanarSimd::setMaxLevel(level);
    std::mt19937 rng(seed);
    const RandomView v = randomView(rng);
    QImage literal(v.dest, QImage::Format_Indexed8);
    literal.fill(77);
    QImage fast = literal.copy();
    Decoder::drawPictureLiteral(v.state, literal, v.position, v.left, v.top);
    Decoder::drawPicture(v.state, fast, v.position, v.left, v.top);
    const QPoint mismatch = firstDifference(fast, literal);
    if (mismatch.x() >= 0) {
        const RipperState &s = v.state;
        qWarning("mode %d bits %d W %d H %d skip %d/%d reverse %d size %d pos %lld at %d,%d "
                 "in %dx%d",
            s.mode, s.bits, s.blXSize, s.blYSize, s.skip, s.skipmode, s.reverse, s.filesize,
            static_cast<long long>(v.position), v.left, v.top, v.dest.width(), v.dest.height());
        qWarning("first difference at %d,%d", mismatch.x(), mismatch.y());
    }
    PlanarSimd::setMaxLevel(PlanarSimd::Level::Avx512);
    QCOMPARE(mismatch, QPoint(-1, -1));
}

void TestDecoder::gridMatchesLiteral_data()
{
    QTest::addColumn<unsigned>("seed");
    for (unsigned seed = 1; seed <= 60; ++seed)
        QTest::addRow("seed %u", seed) << seed;
}

// Whole grids, narrow pictures and pictures running off the end of the data included.
void TestDecoder::gridMatchesLiteral()
{
    QFETCH(unsigned, seed);
    std::mt19937 rng(seed);
    RipperState s = randomView(rng).state;
    auto pick = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    if (seed % 3 == 0) { // thousands of tiny pictures
        s.blXSize = 1;
        s.blYSize = pick(1, 3);
    }
    s.offset = pick(0, s.filesize);
    s.numX = Grid::columnsFor(s.blXSize);
    s.numY = Grid::rowsFor(s.blYSize);
    QImage fast(Grid::CanvasWidth, Grid::CanvasHeight, QImage::Format_Indexed8);
    QImage literal = fast.copy();
    Grid::drawGrid(s, fast);
    Grid::drawGridLiteral(s, literal);
    QCOMPARE(firstDifference(fast, literal), QPoint(-1, -1));
}

// Positions and strides far beyond 2^31: no overflow, nothing read, colour 0.
void TestDecoder::farPositionsDoNotOverflow()
{
    RipperState s = stateWith(4000, 600, 8, RipperState::ModeSP, 64);
    s.skip = 2048;
    s.skipmode = RipperState::SkipBitplanes;
    QImage image(64, 4, QImage::Format_Indexed8);
    for (std::int64_t position : { std::int64_t(std::numeric_limits<int>::max()),
             std::int64_t(19200000) * 16000, -(std::int64_t(1) << 40) }) {
        image.fill(9);
        Decoder::drawPicture(s, image, position, 0, 0);
        QCOMPARE(int(image.pixelIndex(63, 3)), 0);
        QCOMPARE(Decoder::pixelValue(s, position, 31999, 599), 0);
    }
}

QTEST_GUILESS_MAIN(TestDecoder)
#include "tst_decoder.moc"
