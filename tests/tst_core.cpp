// The core without a window: bitplane decoding (worked examples, and the fast decoder against the
// literal one at every instruction-set level), the chunk walk and the palette sources.
#include "chunks.h"
#include "planarsimd.h"
#include "reference.h"
#include "rows.h"
#include "testsnapshot.h"

#include <QTest>
#include <limits>
#include <random>

using namespace TestSnapshot;
using PlanarSimd::Level;
Q_DECLARE_METATYPE(Level)

namespace {

RipperState view(int W, int H, int N, int mode, const QByteArray &bytes)
{
    RipperState s = Reference::loaded(bytes);
    std::tie(s.blXSize, s.blYSize, s.bits, s.mode) = std::make_tuple(W, H, N, mode);
    return s;
}

// A random view over random bytes, with positions before, inside, across and past the data.
struct RandomView
{
    RipperState state;
    std::int64_t position = 0;
    QImage dest;
    QPoint at;
};

RandomView randomView(std::mt19937 &rng)
{
    const auto pick = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    RandomView v;
    RipperState &s = v.state;
    std::tie(s.mode, s.bits, s.skipmode, s.reverse)
        = std::tuple<int, int, int, bool> { pick(0, 4), pick(1, 8), pick(0, 1), pick(0, 1) == 1 };
    s.blXSize = pick(0, 3) == 0 ? pick(1, 4000) : pick(1, 60);
    s.blYSize = pick(0, 3) == 0 ? pick(1, 600) : pick(1, 80);
    s.skip = pick(0, 2) == 0 ? 0 : pick(0, 2048);
    for (int &entry : s.bitplaneorder)
        entry = pick(0, 7);
    const int size = pick(1, 200000);
    s.fileData.resize(std::size_t(size));
    for (auto &byte : s.fileData)
        byte = std::uint8_t(rng());
    s.filesize = size;
    const std::int64_t positions[] = { pick(-size, 0), size - pick(0, 2000), size + pick(0, 3),
        std::numeric_limits<int>::max() - pick(0, 1000), pick(0, size - 1), pick(0, size - 1) };
    v.position = positions[pick(0, 5)];
    const QSize dest = pick(0, 4) == 0 ? QSize(800, 600) : QSize(pick(1, 1100), pick(1, 700));
    v.dest = Reference::filled(dest.width(), dest.height(), 77);
    v.at = QPoint(
        pick(0, 3) == 0 ? pick(0, 4000) : pick(0, dest.width() - 1), pick(0, dest.height() - 1));
    return v;
}

// One decoding case far from the data: every pixel the picture covers reads as colour 0.
struct FarCase
{
    int mode, bits, blXSize, blYSize, skip, skipmode;
    std::array<int, 8> order;
    int dataSize;
    qint64 position;
    QSize dest;
    QPoint at;
};

// 0xFF filler: a walk that lands in it reads a length of 0xFFFFFFFF and ends, so a wrong step
// shows up as "not found" instead of resynchronising.
QByteArray chunk(const QByteArray &tag, std::uint32_t length)
{
    const qsizetype step = (length + 4u) & ~3u;
    return tag + bigEndian32(length) + bigEndian32(0) + QByteArray(step - 12, char(0xFF));
}

const QByteArray chip = chunk("CHIP", 20);

// Moves to the given register words, each of the value 0x100 + its colour register.
QByteArray moves(const QList<int> &registerWords)
{
    QByteArray list;
    for (int word : registerWords)
        list += SnapshotWriter::copperMove(
            std::uint16_t(word), std::uint16_t(0x100 + (word - 0x180) / 2));
    return list;
}

} // namespace
Q_DECLARE_METATYPE(FarCase)

class TestCore : public QObject
{
    Q_OBJECT

private slots:
    // W = 2, H = 3, N = 4, skip 10, the picture at 100, pixel (9, 1): where each plane's bit lives.
    void planeAddresses_data()
    {
        // bytesAndBits: of planes 0 to 3; empty: no address
        Rows::columns<int, int, QList<int>>("mode", "skipmode", "bytesAndBits");
        QTest::newRow("AM") << 0 << 0 << QList<int> { 103, 6, 109, 6, 115, 6, 121, 6 };
        QTest::newRow("AM, skipped planes")
            << 0 << 1 << QList<int> { 103, 6, 119, 6, 135, 6, 151, 6 };
        QTest::newRow("ST") << 1 << 0 << QList<int> { 109, 6, 111, 6, 113, 6, 115, 6 };
        QTest::newRow("SP") << 2 << 0 << QList<int> { 105, 6, 107, 6, 117, 6, 119, 6 };
        QTest::newRow("C+") << 3 << 0 << QList<int> { 106, 6, 107, 6, 108, 6, 109, 6 };
        QTest::newRow("C-") << 4 << 0 << QList<int> { 106, 6, 106, 2, 107, 6, 107, 2 };
        QTest::newRow("C-, skipped planes")
            << 4 << 1 << QList<int> { 106, 6, 116, 2, 127, 6, 137, 2 };
        QTest::newRow("unknown mode") << 5 << 0 << QList<int>();
    }

    void planeAddresses()
    {
        auto [mode, skipmode, bytesAndBits]
            = Rows::fetch<int, int, QList<int>>("mode", "skipmode", "bytesAndBits");
        RipperState s = view(2, 3, 4, mode, QByteArray(200, '\0'));
        std::tie(s.skip, s.skipmode) = std::make_tuple(10, skipmode);
        for (int plane = 0; plane < 4; ++plane) {
            const auto at = Decoder::planeBit(s, 100, plane, 9, 1);
            const QList<int> expected = bytesAndBits.mid(2 * plane, 2);
            QCOMPARE(at ? QList<int>({ int(at->byte), at->bit }) : QList<int>(), expected);
            s.fileData.assign(200, expected.isEmpty() ? 0xFF : 0);
            if (!expected.isEmpty())
                s.fileData[std::size_t(expected[0])] = std::uint8_t(1 << expected[1]);
            QCOMPARE(Decoder::pixelValue(s, 100, 9, 1), expected.isEmpty() ? 0 : 1 << plane);
        }
    }

    void colourIndex_data()
    {
        Rows::columns<bool, QList<int>, int>("reverse", "order", "expected");
        QTest::newRow("identity") << false << QList<int> { 0, 1, 2 } << 3;
        QTest::newRow("reverse") << true << QList<int> { 0, 1, 2 } << 6;
        QTest::newRow("permuted") << false << QList<int> { 2, 0, 1 } << 6;
        QTest::newRow("empty slot") << false << QList<int> { 5, 1, 2 } << 2;
        QTest::newRow("slot 8") << false << QList<int> { 8, 1, 2 } << 2;
        QTest::newRow("negative slot") << false << QList<int> { 0, -1, 2 } << 1;
        QTest::newRow("repeated slot") << false << QList<int> { 0, 0, 0 } << 7;
    }

    // Three planes fetching 1, 1, 0 for pixel (0, 0); the same through drawPicture.
    void colourIndex()
    {
        auto [reverse, order, expected]
            = Rows::fetch<bool, QList<int>, int>("reverse", "order", "expected");
        RipperState s = view(1, 1, 3, RipperState::ModeAM, QByteArray("\x80\x80\x00", 3));
        s.reverse = reverse;
        std::copy(order.begin(), order.end(), s.bitplaneorder.begin());
        QCOMPARE(Decoder::pixelValue(s, 0, 0, 0), expected);
        QImage image = Reference::filled(8, 1, 99);
        Decoder::drawPicture(s, image, 0, 0, 0);
        QCOMPARE(int(image.pixelIndex(0, 0)), expected);
    }

    void positionAtOrBeyondEndIsColourZero()
    {
        const RipperState s = view(4, 4, 8, RipperState::ModeAM, QByteArray(512, '\xFF'));
        for (std::int64_t position :
            { std::int64_t(512), std::int64_t(513), std::int64_t(1) << 40 })
            for (int x = 0; x < 32; ++x)
                QCOMPARE(Decoder::pixelValue(s, position, x, 3), 0);
        QCOMPARE(Decoder::pixelValue(s, 511 - (7 * 16 + 4 * 3 + 3), 31, 3), 255); // the last byte
    }

    void fastMatchesLiteral_data()
    {
        Rows::columns<unsigned, Level>("seed", "level");
        for (unsigned seed = 1; seed <= 400; ++seed)
            for (Level level : { Level::Scalar, Level::Sse2, Level::Avx2, Level::Avx512 })
                QTest::addRow("seed %u level %d", seed, int(level)) << seed << level;
    }

    void fastMatchesLiteral()
    {
        auto [seed, level] = Rows::fetch<unsigned, Level>("seed", "level");
#if defined(__x86_64__) || defined(_M_X64)
        QVERIFY(PlanarSimd::available() >= Level::Sse2);
#endif
        if (PlanarSimd::available() < level)
            QSKIP("this processor lacks the instruction set");
        std::mt19937 rng(seed);
        RandomView v = randomView(rng);
        QImage fast = v.dest.copy();
        PlanarSimd::setMaxLevel(level);
        Decoder::drawPicture(v.state, fast, v.position, v.at.x(), v.at.y());
        PlanarSimd::setMaxLevel(Level::Avx512);
        Reference::drawPicture(v.state, v.dest, v.position, v.at.x(), v.at.y());
        QVERIFY2(Reference::sameBytes(fast, v.dest),
            qPrintable(Reference::describe(v.state, v.position, v.dest)));
    }

    void gridMatchesLiteral_data()
    {
        QTest::addColumn<unsigned>("seed");
        for (unsigned seed = 1; seed <= 60; ++seed)
            QTest::addRow("seed %u", seed) << seed;
    }

    // Whole grids, fast and literal, thousands of tiny pictures and pictures running off the data
    // included.
    void gridMatchesLiteral()
    {
        QFETCH(unsigned, seed);
        std::mt19937 rng(seed);
        RipperState s = randomView(rng).state;
        if (seed % 3 == 0)
            std::tie(s.blXSize, s.blYSize) = std::make_tuple(1, int(seed % 4 + 1));
        s.offset = std::uniform_int_distribution<int>(0, s.filesize)(rng);
        s.numX = Grid::columnsFor(s.blXSize);
        s.numY = Grid::rowsFor(s.blYSize);
        QImage fast = Reference::filled(Grid::CanvasWidth, Grid::CanvasHeight, 0x5A);
        QImage literal = fast.copy(); // the window's literal decoding
        Grid::drawGrid(s, fast);
        Grid::drawGridLiteral(s, literal);
        const QImage reference = Reference::grid(s, Grid::CanvasWidth, Grid::CanvasHeight);
        QVERIFY(Reference::sameBytes(fast, reference) && Reference::sameBytes(literal, reference));
    }

    // Cut down from fuzzer and sanitizer findings: no address may overflow or even be formed.
    void farFromTheData_data()
    {
        Rows::columns<FarCase, Level>("c", "level");
        const std::array<int, 8> id { 0, 1, 2, 3, 4, 5, 6, 7 };
        const qint64 far = qint64(1) << 52;
        const QList<QPair<const char *, FarCase>> cases {
            { "empty, C+, invalid order entry",
                { 3, 8, 1536, 524, 1531, 1, { 5, 4, 1278463180, 4, 4, 4, 0, 4 }, 0, -522232,
                    QSize(581, 5), QPoint(79, -167) } },
            { "empty, AM", { 0, 8, 80, 4, 0, 0, id, 0, 0, QSize(640, 4), QPoint() } },
            { "2^52 before, AM", { 0, 8, 80, 4, 0, 0, id, 4096, -far, QSize(640, 4), QPoint() } },
            { "2^52 past, ST", { 1, 8, 80, 4, 0, 0, id, 4096, far, QSize(640, 4), QPoint() } },
            { "int max, SP",
                { 2, 8, 4000, 600, 2048, 1, id, 64, std::numeric_limits<int>::max(), QSize(64, 4),
                    QPoint() } },
            { "2^38, SP",
                { 2, 8, 4000, 600, 2048, 1, id, 64, qint64(19200000) * 16000, QSize(64, 4),
                    QPoint() } },
            { "-2^40, SP",
                { 2, 8, 4000, 600, 2048, 1, id, 64, -(qint64(1) << 40), QSize(64, 4), QPoint() } },
        };
        for (Level level : { Level::Scalar, Level::Sse2, Level::Avx2, Level::Avx512 })
            for (const auto &[name, c] : cases)
                QTest::addRow("%s, level %d", name, int(level)) << c << level;
    }

    void farFromTheData()
    {
        auto [c, level] = Rows::fetch<FarCase, Level>("c", "level");
        RipperState s = view(c.blXSize, c.blYSize, c.bits, c.mode, QByteArray(c.dataSize, '\xA5'));
        std::tie(s.skip, s.skipmode, s.bitplaneorder)
            = std::make_tuple(c.skip, c.skipmode, c.order);
        QImage expected = Reference::filled(c.dest.width(), c.dest.height(), 7);
        QImage fast = expected.copy();
        const QRect covered = QRect(c.at, QSize(8 * c.blXSize, c.blYSize)) & expected.rect();
        for (int y = covered.top(); y <= covered.bottom(); ++y)
            std::fill_n(expected.scanLine(y) + covered.left(), covered.width(), 0);
        PlanarSimd::setMaxLevel(level);
        Decoder::drawPicture(s, fast, c.position, c.at.x(), c.at.y());
        PlanarSimd::setMaxLevel(Level::Avx512);
        QVERIFY(Reference::sameBytes(fast, expected));
        QCOMPARE(Decoder::pixelValue(s, c.position, 8 * c.blXSize - 1, c.blYSize - 1), 0);
    }

    void findChunk_data()
    {
        // filesize: -1: the whole of `bytes`
        Rows::columns<QByteArray, int, int>("bytes", "filesize", "expected");
        QTest::newRow("tag at 0") << chip << -1 << 0;
        // The length field is read as the next tag; its own length, the flags word 12, leads to 20.
        for (std::uint32_t length = 0; length < 4; ++length)
            QTest::addRow("length %u steps 4", length)
                << "AAAA" + bigEndian32(length) + bigEndian32(12) + QByteArray(8, '\xFF') + chip
                << -1 << 20;
        for (auto [length, step] :
            { std::pair(12u, 16), std::pair(15u, 16), std::pair(16u, 20), std::pair(19u, 20) })
            QTest::addRow("length %u steps %d", length, step)
                << chunk("AAAA", length) + chip << -1 << step;
        QTest::newRow("tag inside contents")
            << chunk("DATA", 20).replace(12, 8, "xxxxCHIP") + chunk("END ", 12) << -1 << -1;
        QTest::newRow("case matters") << chunk("Chip", 12) + chunk("chip", 12) << -1 << -1;
        QTest::newRow("next position is the size") << chunk("AAAA", 16) << -1 << -1;
        QTest::newRow("7 bytes left")
            << chunk("AAAA", 12) + "CHIP" + QByteArray(3, '\0') << -1 << -1;
        QTest::newRow("8 bytes left") << chunk("AAAA", 12) + "CHIP" + bigEndian32(8) << -1 << 16;
        QTest::newRow("filesize 0") << chip << 0 << -1;
        QTest::newRow("filesize cuts the header") << chunk("AAAA", 12) + chip << 23 << -1;
        QTest::newRow("filesize beyond the bytes") << chunk("AAAA", 12) + "CHIP" << 100 << -1;
        QTest::newRow("first of two") << chunk("AAAA", 12) + chip + chip << -1 << 16;
        // In 32 bits these steps turn the position negative, send it backwards or leave it put.
        for (std::uint32_t length :
            { 0x7FFFFFFCu, 0x80000000u, 0xFFFFFFECu, 0xFFFFFFFCu, 0xFFFFFFFFu })
            QTest::addRow("length 0x%08X", length)
                << chunk("AAAA", 12) + "BBBB" + bigEndian32(length) + bigEndian32(0) + chip << -1
                << -1;
    }

    void findChunk()
    {
        auto [bytes, filesize, expected]
            = Rows::fetch<QByteArray, int, int>("bytes", "filesize", "expected");
        RipperState state = Reference::loaded(bytes);
        if (filesize >= 0)
            state.filesize = filesize;
        QCOMPARE(Chunks::findChunk(state, "CHIP"), expected);
        QCOMPARE(Chunks::findChunk(state, "CHI"), -1);
    }

    void chipRam_data()
    {
        // first: -1: no chip RAM
        Rows::columns<QByteArray, qint64, qint64>("bytes", "first", "size");
        const QByteArray cram = chunk("CRAM", 12 + 100);
        QTest::newRow("whole") << chip + cram << qint64(36) << qint64(100);
        QTest::newRow("cut by the end") << chip + cram.left(50) << qint64(36) << qint64(38);
        QTest::newRow("one byte") << chip + chunk("CRAM", 13) << qint64(36) << qint64(1);
        QTest::newRow("no data") << chip + chunk("CRAM", 12) << qint64(-1) << qint64(0);
        QTest::newRow("length below the header")
            << chip + chunk("CRAM", 3) << qint64(-1) << qint64(0);
        QTest::newRow("no CRAM") << chip << qint64(-1) << qint64(0);
    }

    void chipRam()
    {
        auto [bytes, first, size]
            = Rows::fetch<QByteArray, qint64, qint64>("bytes", "first", "size");
        const auto ram = Chunks::chipRam(Reference::loaded(bytes));
        QCOMPARE(ram ? ram->first : -1, first);
        QCOMPARE(ram ? ram->size : 0, size);
        if (ram)
            QVERIFY(ram->contains(first) && ram->contains(first + size - 1)
                && !ram->contains(first + size) && !ram->contains(first - 1));
    }

    // 4-bit components widen to 8 bits through six; the top four bits of a word are ignored.
    void colourWords()
    {
        const int expanded[16]
            = { 0, 20, 40, 60, 64, 85, 105, 125, 129, 149, 170, 190, 194, 214, 234, 255 };
        for (int c = 0; c < 16; ++c)
            QCOMPARE(rgbOfWord(c << 8 | c << 4 | c), qRgb(expanded[c], expanded[c], expanded[c]));
        QCOMPARE(rgbOfWord(0xF444), qRgb(64, 64, 64));
        QCOMPARE(rgbOfWord(0x0123), qRgb(20, 40, 60));
        QCOMPARE(rgbOfWord(0x8E5A), qRgb(234, 85, 170));
        QList<QRgb> defaults { qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(89, 186, 73),
            qRgb(65, 36, 199) };
        for (int i = 4; i < 255; ++i)
            defaults.append(qRgb(i, i, i));
        QCOMPARE(Palette::defaultColors(), defaults + QList<QRgb> { qRgb(203, 203, 215) });
    }

    void chunkTables_data()
    {
        // entries: whole entries the data holds; -1: no such chunk; -2: the data ends where the
        // table begins; -3: it ends after the chunk's length
        Rows::columns<int, int>("source", "entries");
        for (int source : { RipperState::PaletteECS, RipperState::PaletteAGA }) {
            const int all = source == RipperState::PaletteECS ? 63 : 256;
            for (int entries : { all, all - 1, 10, 0, -1, -2, -3 })
                QTest::addRow("%s %d", all == 63 ? "ECS" : "AGA", entries) << source << entries;
        }
    }

    // ECS sets 63 entries, AGA 256; a table the data cuts short gives only its whole entries.
    // Applied twice, the same result, and the Copper cursor stays.
    void chunkTables()
    {
        auto [source, entries] = Rows::fetch<int, int>("source", "entries");
        const bool aga = source == RipperState::PaletteAGA;
        const QByteArray tag = aga ? "AGAC" : "CHIP";
        const QList<std::uint16_t> stored = sampleWords(aga ? 256 : 63, 5);
        QList<QRgb> colours = Palette::defaultColors(); // AGA holds them at full precision
        for (qsizetype i = 0; i < stored.size(); ++i)
            colours[i] = rgbOfWord(stored[i]);
        Builder snapshot;
        snapshot.add("ASF ", {});
        snapshot.add(entries == -1 ? tag.toLower() : tag,
            aga ? SnapshotWriter::agacData(colours) : SnapshotWriter::chipData(stored));
        snapshot.end();
        const qsizetype at = snapshot.chunkOffset(tag), table = at + (aga ? 12 : 240);
        const qsizetype cut = entries < -1
            ? (entries == -2 ? table : at + 8)
            : table + (aga ? 4 : 2) * (entries + 1) - 1; // 1 byte short
        const QByteArray bytes = snapshot.bytes();
        RipperState state = Reference::loaded(
            entries == -1 || entries == stored.size() ? bytes : bytes.left(cut));
        state.filesize = int(bytes.size()); // more than the data holds
        state.palsource = source;
        state.palfound = state.palsearchpos = 1234;
        const int set = qMax(entries, 0);
        const QList<QRgb> expected = colours.first(set) + Palette::defaultColors().mid(set);
        for (int round = 0; round < 2; ++round) {
            Palette::applySelectedSource(state);
            QCOMPARE(state.canvas.colorTable(), expected);
            QCOMPARE(state.palfound, entries < 0 ? 1234 : table);
            QCOMPARE(state.palsearchpos, 1234);
        }
    }

    void advancedList_data()
    {
        // size: of the data, the list starting at byte 10
        // run: cursor advance; 0: no list taken
        // colours: colour registers set, each to 0x100 + its number
        Rows::columns<QByteArray, int, int, QList<int>>("list", "size", "run", "colours");
        const QByteArray four = moves({ 0x180, 0x182, 0x184, 0x186 });
        const QByteArray end = moves({ 0x188 }) + copperEnd();
        const QByteArray waits = SnapshotWriter::copperWait(0x2C, 0).repeated(12);
        const QList<int> set { 0, 1, 2, 3 }, plus4 { 0, 1, 2, 3, 4 };
        QTest::newRow("wait breaks the run") << four + waits.left(4) + end << 256 << 16 << plus4;
        QTest::newRow("0xC0 breaks, first value kept")
            << four + moves({ 0x1C0 }) + SnapshotWriter::copperMove(0x182, 0xFFF) + end << 256 << 16
            << plus4;
        QTest::newRow("end marker stops") << four + copperEnd() + end << 256 << 16 << set;
        QTest::newRow("register 16 inside")
            << four + moves({ 0x1A0 }) + copperEnd() << 256 << 20 << QList<int> { 0, 1, 2, 3, 16 };
        QTest::newRow("register 16 leading")
            << moves({ 0x180, 0x182, 0x184, 0x1A0 }) + copperEnd() << 256 << 0 << QList<int>();
        QTest::newRow("odd words, 31") << moves({ 0x181, 0x183, 0x185, 0x19F, 0x1BE }) + copperEnd()
                                       << 256 << 20 << QList<int> { 0, 1, 2, 15, 31 };
        QTest::newRow("last entry whole") << four + waits + end << 78 << 16 << plus4;
        QTest::newRow("last entry cut") << four + waits + end << 77 << 16 << set;
    }

    void advancedList()
    {
        auto [list, size, run, colours]
            = Rows::fetch<QByteArray, int, int, QList<int>>("list", "size", "run", "colours");
        QByteArray bytes(256, '\0');
        putBytes(bytes, 10, list);
        RipperState state = Reference::loaded(bytes.left(size));
        state.palfound = -1;
        Palette::searchCopperAdvanced(state);
        QList<QRgb> expected = Palette::defaultColors();
        for (int n : colours)
            expected[n] = rgbOfWord(0x100 + n);
        QCOMPARE(state.canvas.colorTable(), expected);
        QCOMPARE(state.palfound, run > 0 ? 10 : -1);
        QCOMPARE(state.palsearchpos, run > 0 ? 10 + run : 0);
    }

    void nearTheEnd_data()
    {
        // listAt: 32 moves to COLOR00 on
        // next: the cursor after; 0: nothing found
        Rows::columns<int, int, int, int, int>("source", "size", "listAt", "cursor", "next");
        const int simple = RipperState::PaletteSimple, advanced = RipperState::PaletteAdvanced;
        for (int source : { simple, advanced }) {
            const char *name = source == simple ? "Simple" : "Advanced";
            QTest::addRow("%s, 64 bytes", name) << source << 64 << 0 << 0 << 0;
            QTest::addRow("%s, past last start", name) << source << 1000 << 936 << 0 << 0;
            QTest::addRow("%s, cursor below 0", name)
                << source << 1000 << 64 << -1000 << (source == simple ? 65 : 192);
            QTest::addRow("%s, cursor past the end", name) << source << 1000 << 64 << 1010 << 0;
        }
        QTest::newRow("Advanced, 65 bytes") << advanced << 65 << 0 << 0 << 64;
        QTest::newRow("Advanced, last start") << advanced << 1000 << 935 << 0 << 999;
        QTest::newRow("Simple, 128 bytes left") << simple << 1000 << 872 << 0 << 873;
        QTest::newRow("Simple, 127 bytes left") << simple << 1000 << 873 << 0 << 0;
        QTest::newRow("unknown source") << 7 << 1000 << 64 << 0 << 0;
    }

    void nearTheEnd()
    {
        auto [source, size, listAt, cursor, next]
            = Rows::fetch<int, int, int, int, int>("source", "size", "listAt", "cursor", "next");
        QByteArray bytes(size, '\0');
        putBytes(bytes, listAt, copperColourMoves(sampleWords(32, 3)));
        RipperState state = Reference::loaded(bytes.left(size));
        std::tie(state.palsource, state.palfound, state.palsearchpos)
            = std::make_tuple(source, -5, cursor);
        Palette::applySelectedSource(state);
        QCOMPARE(state.palfound, next ? listAt : -5);
        QCOMPARE(state.palsearchpos, source == 7 ? cursor : next);
        QCOMPARE(state.canvas.colorTable() != Palette::defaultColors(), next > 0);
        QCOMPARE(state.palsearchmode, source);
    }

    void searchSteps_data()
    {
        // cursors: after each of three searches
        Rows::columns<int, QList<int>>("source", "cursors");
        QTest::newRow("Simple") << int(RipperState::PaletteSimple) << QList<int> { 101, 401, 0 };
        QTest::newRow("Advanced") << int(RipperState::PaletteAdvanced)
                                  << QList<int> { 228, 528, 0 };
    }

    // Lists at 100 and 400: each search goes on after the last match (an Advanced one after its
    // run) and the third wraps, keeping the last list's colours.
    void searchSteps()
    {
        auto [source, cursors] = Rows::fetch<int, QList<int>>("source", "cursors");
        QByteArray bytes(1000, '\0');
        putBytes(bytes, 100, copperColourMoves(sampleWords(32, 3)));
        putBytes(bytes, 400, copperColourMoves(sampleWords(32, 9)));
        RipperState state = Reference::loaded(bytes);
        state.palsource = source;
        for (int k = 0; k < 3; ++k) {
            Palette::applySelectedSource(state);
            QCOMPARE(state.palsearchpos, cursors[k]);
            QCOMPARE(state.palfound, k ? 400 : 100);
            QCOMPARE(state.canvas.colorTable().mid(0, 32), rgbOfWords(sampleWords(32, k ? 9 : 3)));
        }
    }
};

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
