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

// A random view over up to 200000 random bytes.
Reference::RandomView randomView(unsigned seed)
{
    std::mt19937 rng(seed);
    const auto pick = [&](auto low, auto high) {
        return std::uniform_int_distribution<decltype(low)>(low, high)(rng);
    };
    return Reference::randomView(
        pick,
        [&] {
            std::vector<std::uint8_t> bytes(std::size_t(pick(1, 200000)));
            for (auto &byte : bytes)
                byte = std::uint8_t(rng());
            return bytes;
        },
        1100, 600);
}

// 0xFF filler: a walk that lands in it reads a length of 0xFFFFFFFF and ends, so a wrong step
// shows up as "not found" instead of resynchronising.
QByteArray chunk(const QByteArray &tag, std::uint32_t length)
{
    const qsizetype step = (length + 4u) & ~3u;
    return tag + bigEndian32(length) + bigEndian32(0) + QByteArray(step - 12, char(0xFF));
}

const QByteArray chip = chunk("CHIP", 20);

} // namespace

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

    // Random views by seed; and views far from the data, cut down from fuzzer and sanitizer
    // findings: mode, bits, W, H, skip, skipmode, data size, position, destination width and
    // height, left, top, then the bitplane order if not the identity.
    void fastMatchesLiteral_data()
    {
        Rows::columns<unsigned, QList<qint64>, Level>("seed", "far", "level");
        const qint64 far = qint64(1) << 52, intMax = std::numeric_limits<int>::max();
        const QList<QPair<const char *, QList<qint64>>> cases {
            { "empty, C+, invalid order entry",
                { 3, 8, 1536, 524, 1531, 1, 0, -522232, 581, 5, 79, -167, 5, 4, 1278463180, 4, 4, 4,
                    0, 4 } },
            { "empty, AM", { 0, 8, 80, 4, 0, 0, 0, 0, 640, 4, 0, 0 } },
            { "2^52 before, AM", { 0, 8, 80, 4, 0, 0, 4096, -far, 640, 4, 0, 0 } },
            { "2^52 past, ST", { 1, 8, 80, 4, 0, 0, 4096, far, 640, 4, 0, 0 } },
            { "int max, SP", { 2, 8, 4000, 600, 2048, 1, 64, intMax, 64, 4, 0, 0 } },
            { "2^38, SP", { 2, 8, 4000, 600, 2048, 1, 64, qint64(19200000) * 16000, 64, 4, 0, 0 } },
            { "-2^40, SP", { 2, 8, 4000, 600, 2048, 1, 64, -(qint64(1) << 40), 64, 4, 0, 0 } },
        };
        for (Level level : { Level::Scalar, Level::Sse2, Level::Avx2, Level::Avx512 }) {
            for (unsigned seed = 1; seed <= 400; ++seed)
                QTest::addRow("seed %u level %d", seed, int(level))
                    << seed << QList<qint64>() << level;
            for (const auto &[name, c] : cases)
                QTest::addRow("%s, level %d", name, int(level)) << 0u << c << level;
        }
    }

    // The fast decoder draws what the literal one does, touching nothing else; far from the data
    // every pixel the picture covers reads as colour 0, and no address may overflow or even be
    // formed.
    void fastMatchesLiteral()
    {
        auto [seed, c, level] = Rows::fetch<unsigned, QList<qint64>, Level>("seed", "far", "level");
#if defined(__x86_64__) || defined(_M_X64)
        QVERIFY(PlanarSimd::available() >= Level::Sse2);
#endif
        if (PlanarSimd::available() < level)
            QSKIP("this processor lacks the instruction set");
        Reference::RandomView v = seed ? randomView(seed) : Reference::RandomView();
        if (!seed) {
            v.state = view(int(c[2]), int(c[3]), int(c[1]), int(c[0]), QByteArray(c[6], '\xA5'));
            std::tie(v.state.skip, v.state.skipmode) = std::make_tuple(int(c[4]), int(c[5]));
            for (qsizetype i = 12; i < c.size(); ++i)
                v.state.bitplaneorder[std::size_t(i - 12)] = int(c[i]);
            std::tie(v.position, v.left, v.top) = std::make_tuple(c[7], int(c[10]), int(c[11]));
            v.dest = Reference::filled(int(c[8]), int(c[9]), 7);
        }
        QImage fast = v.dest.copy();
        PlanarSimd::setMaxLevel(level);
        Decoder::drawPicture(v.state, fast, v.position, v.left, v.top);
        PlanarSimd::setMaxLevel(Level::Avx512);
        Reference::drawPicture(v.state, v.dest, v.position, v.left, v.top);
        QVERIFY2(Reference::sameBytes(fast, v.dest),
            qPrintable(Reference::describe(v.state, v.position, v.dest)));
        if (seed)
            return; // random sizes may not fit a QRect; the far rows are small
        const QRect covered
            = QRect(v.left, v.top, 8 * v.state.blXSize, v.state.blYSize) & v.dest.rect();
        for (int y = covered.top(); y <= covered.bottom(); ++y)
            QCOMPARE(std::count(fast.constScanLine(y) + covered.left(),
                         fast.constScanLine(y) + covered.right() + 1, 0),
                covered.width());
        QCOMPARE(
            Decoder::pixelValue(v.state, v.position, 8 * v.state.blXSize - 1, v.state.blYSize - 1),
            0);
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
        Reference::RandomView v = randomView(seed);
        if (seed % 3 == 0)
            std::tie(v.state.blXSize, v.state.blYSize) = std::make_tuple(1, int(seed % 4 + 1));
        const RipperState s = Reference::gridView(v.state, v.position);
        QImage fast = Reference::filled(Grid::CanvasWidth, Grid::CanvasHeight, 0x5A);
        QImage literal = fast.copy(); // the window's literal decoding
        Grid::drawGrid(s, fast);
        Grid::drawGridLiteral(s, literal);
        const QImage reference = Reference::grid(s, Grid::CanvasWidth, Grid::CanvasHeight);
        QVERIFY(Reference::sameBytes(fast, reference) && Reference::sameBytes(literal, reference));
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
            QCOMPARE(rgbOfWord(0xF000 | c << 8 | (15 - c) << 4 | (c * 7 & 15)),
                qRgb(expanded[c], expanded[15 - c], expanded[c * 7 & 15]));
        QList<QRgb> defaults { qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(89, 186, 73),
            qRgb(65, 36, 199) };
        for (int i = 4; i < 255; ++i)
            defaults.append(qRgb(i, i, i));
        QCOMPARE(Palette::defaultColors(), defaults << qRgb(203, 203, 215));
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
};

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
