#include "chunks.h"
#include "palette.h"
#include "testsnapshot.h"

#include <QTest>

using namespace TestSnapshot;

namespace {

constexpr int ChipRamSize = 512 * 1024;

RipperState loadedState(const QByteArray &bytes)
{
    RipperState state;
    state.canvas = QImage(8, 8, QImage::Format_Indexed8);
    Palette::setDefaultPalette(state.canvas);
    loadInto(state, bytes);
    return state;
}

// 63 distinct colour words with their ignored high bits set.
QList<std::uint16_t> ecsWords()
{
    QList<std::uint16_t> words;
    for (int i = 0; i < 63; ++i)
        words.append(std::uint16_t(0xF000 | ((i * 0x15B + 0x123) & 0x0FFF)));
    return words;
}

QRgb wordColour(int word)
{
    return Palette::color12ToRgb(std::uint8_t(word >> 8), std::uint8_t(word));
}

QList<QRgb> agaColours()
{
    QList<QRgb> colours;
    for (int i = 0; i < 256; ++i)
        colours.append(qRgb(255 - i, (i * 7) & 0xFF, (i * 13 + 5) & 0xFF));
    return colours;
}

QList<std::uint16_t> copperColours(int count, int seed)
{
    QList<std::uint16_t> colours;
    for (int i = 0; i < count; ++i)
        colours.append(std::uint16_t((i * 0x111 + seed) & 0x0FFF));
    return colours;
}

QList<QRgb> withCopperColours(QList<QRgb> table, const QList<std::uint16_t> &colours)
{
    for (qsizetype i = 0; i < colours.size(); ++i)
        table[i] = wordColour(colours[i]);
    return table;
}

// Chip RAM with `lists` placed at the given offsets.
Builder snapshotWithLists(const QList<std::pair<qsizetype, QByteArray>> &lists)
{
    QByteArray ram(ChipRamSize, '\0');
    for (const auto &[at, list] : lists)
        putBytes(ram, at, list);
    return standardSnapshot(ram);
}

using Search = void (*)(RipperState &);

} // namespace

class TestPalette : public QObject
{
    Q_OBJECT

private slots:
    void color12ToRgb_data();
    void color12ToRgb();
    void defaultColors();
    void shortOrMissingCanvas();
    void ecsTakes63Entries();
    void agaTakesAll256();
    void missingChunkChangesNothing();
    void truncatedTables_data();
    void truncatedTables();
    void simpleStepsThroughMatches();
    void advancedStepsThroughLists();
    void repeatSearchFindsSameList_data();
    void repeatSearchFindsSameList();
    void advancedList_data();
    void advancedList();
    void advancedScanStopsAtLastWholeEntry();
    void nearTheEnd_data();
    void nearTheEnd();
    void cursorOutsideData();
    void applySelectedSource_data();
    void applySelectedSource();
};

void TestPalette::color12ToRgb_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<QRgb>("expected");

    const int expanded[16]
        = { 0, 20, 40, 60, 64, 85, 105, 125, 129, 149, 170, 190, 194, 214, 234, 255 };
    for (int c = 0; c < 16; ++c) {
        const int e = expanded[c];
        QTest::addRow("grey %d", c) << c << (c << 4 | c) << qRgb(e, e, e);
    }
    QTest::newRow("white") << 0x0F << 0xFF << qRgb(255, 255, 255);
    QTest::newRow("0x0444") << 0x04 << 0x44 << qRgb(64, 64, 64);
    QTest::newRow("0x0888") << 0x08 << 0x88 << qRgb(129, 129, 129);
    QTest::newRow("high bits ignored") << 0xF4 << 0x44 << qRgb(64, 64, 64);
    QTest::newRow("channels in order") << 0x01 << 0x23 << qRgb(20, 40, 60);
}

void TestPalette::color12ToRgb()
{
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(QRgb, expected);
    QCOMPARE(Palette::color12ToRgb(std::uint8_t(first), std::uint8_t(second)), expected);
}

void TestPalette::defaultColors()
{
    const QList<QRgb> colors = Palette::defaultColors();
    QCOMPARE(colors.size(), 256);
    QCOMPARE(colors[0], qRgb(255, 255, 255));
    QCOMPARE(colors[1], qRgb(0, 0, 0));
    QCOMPARE(colors[2], qRgb(89, 186, 73));
    QCOMPARE(colors[3], qRgb(65, 36, 199));
    for (int i = 4; i < 255; ++i)
        QCOMPARE(colors[i], qRgb(i, i, i));
    QCOMPARE(colors[255], qRgb(203, 203, 215));
    for (QRgb c : colors)
        QCOMPARE(qAlpha(c), 255);

    QImage image(4, 4, QImage::Format_Indexed8);
    image.setColorCount(2);
    Palette::setDefaultPalette(image);
    QCOMPARE(image.colorTable(), colors);
}

void TestPalette::shortOrMissingCanvas()
{
    const Builder builder = standardSnapshot({}, ecsWords());
    RipperState state = loadedState(builder.bytes());
    state.canvas = QImage(); // no colours to set, but the bookkeeping goes on
    Palette::readEcsPalette(state);
    QCOMPARE(state.palfound, builder.chunkOffset("CHIP") + EcsColourOffset);
    Palette::resetPalette(state);
    QVERIFY(state.canvas.isNull());

    // A short table grows to 256 entries, the ones no source sets taking the defaults.
    state.canvas = QImage(4, 4, QImage::Format_Indexed8);
    state.canvas.setColorTable({ qRgb(1, 1, 1), qRgb(2, 2, 2) });
    Palette::readEcsPalette(state);
    const QList<QRgb> table = state.canvas.colorTable();
    QCOMPARE(table.size(), 256);
    QCOMPARE(table.mid(63), Palette::defaultColors().mid(63));
}

void TestPalette::ecsTakes63Entries()
{
    const Builder builder = standardSnapshot(QByteArray(ChipRamSize, '\0'), ecsWords());
    RipperState state = loadedState(builder.bytes());
    state.palsearchpos = 1234;

    QList<QRgb> expected = Palette::defaultColors();
    for (int i = 0; i < 63; ++i)
        expected[i] = wordColour(ecsWords()[i]);
    for (int round = 0; round < 2; ++round) {
        Palette::readEcsPalette(state);
        QCOMPARE(state.canvas.colorTable(), expected);
        QCOMPARE(state.palfound, builder.chunkOffset("CHIP") + EcsColourOffset);
        QCOMPARE(state.palsearchpos, 1234);
    }
}

void TestPalette::agaTakesAll256()
{
    Builder builder;
    builder.addAsf().addCpu().addChip(ecsWords()).addAgac(agaColours(), 0x80).addEnd();
    RipperState state = loadedState(builder.bytes());
    state.palsearchpos = 99;
    for (int round = 0; round < 2; ++round) {
        Palette::readAgaPalette(state);
        QCOMPARE(state.canvas.colorTable(), agaColours());
        QCOMPARE(state.palfound, builder.chunkOffset("AGAC") + AgaColourOffset);
        QCOMPARE(state.palsearchpos, 99);
    }
}

void TestPalette::missingChunkChangesNothing()
{
    const QByteArray noChunks = Builder().addAsf().addCram(QByteArray(1024, '\0')).addEnd().bytes();
    for (Search read : { Palette::readEcsPalette, Palette::readAgaPalette }) {
        RipperState state = loadedState(noChunks);
        state.palfound = 77;
        state.palsearchpos = 5;
        read(state);
        QCOMPARE(state.canvas.colorTable(), Palette::defaultColors());
        QCOMPARE(state.palfound, 77);
        QCOMPARE(state.palsearchpos, 5);
    }
}

void TestPalette::truncatedTables_data()
{
    QTest::addColumn<bool>("aga");
    QTest::addColumn<int>("wholeEntries");
    QTest::addColumn<bool>("cutByFilesize"); // otherwise the bytes themselves end there

    for (bool byFilesize : { false, true }) {
        const char *how = byFilesize ? "filesize" : "data";
        QTest::addRow("ECS none, %s", how) << false << 0 << byFilesize;
        QTest::addRow("ECS 10, %s", how) << false << 10 << byFilesize;
        QTest::addRow("ECS 62, %s", how) << false << 62 << byFilesize;
        QTest::addRow("AGA none, %s", how) << true << 0 << byFilesize;
        QTest::addRow("AGA 100, %s", how) << true << 100 << byFilesize;
        QTest::addRow("AGA 255, %s", how) << true << 255 << byFilesize;
    }
}

void TestPalette::truncatedTables()
{
    QFETCH(bool, aga);
    QFETCH(int, wholeEntries);
    QFETCH(bool, cutByFilesize);

    Builder builder;
    builder.addAsf();
    aga ? builder.addAgac(agaColours()) : builder.addChip(ecsWords());
    const int entrySize = aga ? 4 : 2;
    const qsizetype table = aga ? builder.chunkOffset("AGAC") + AgaColourOffset
                                : builder.chunkOffset("CHIP") + EcsColourOffset;
    // One byte short of the next entry.
    const qsizetype size = table + entrySize * wholeEntries + entrySize - 1;
    RipperState state = loadedState(cutByFilesize ? builder.bytes() : builder.bytes().left(size));
    state.filesize = int(size);

    aga ? Palette::readAgaPalette(state) : Palette::readEcsPalette(state);
    QList<QRgb> expected = Palette::defaultColors();
    for (int i = 0; i < wholeEntries; ++i)
        expected[i] = aga ? agaColours()[i] : wordColour(ecsWords()[i]);
    QCOMPARE(state.canvas.colorTable(), expected);
    QCOMPARE(state.palfound, int(table));
}

void TestPalette::simpleStepsThroughMatches()
{
    const QList<std::uint16_t> first = copperColours(32, 0x001);
    const QList<std::uint16_t> second = copperColours(32, 0x00A);
    const Builder builder = snapshotWithLists({ { 1001, copperColourMoves(first) + copperEnd() },
        { 4000, copperColourMoves(second) + copperEnd() } });
    const qsizetype ram = builder.cramDataOffset();
    RipperState state = loadedState(builder.bytes());
    const QList<QRgb> firstTable = withCopperColours(Palette::defaultColors(), first);
    const QList<QRgb> secondTable = withCopperColours(Palette::defaultColors(), second);

    Palette::searchCopperSimple(state);
    QCOMPARE(state.palfound, ram + 1001); // an odd position is a match too
    QCOMPARE(state.palsearchpos, ram + 1002);
    QCOMPARE(state.canvas.colorTable(), firstTable);

    Palette::searchCopperSimple(state);
    QCOMPARE(state.palfound, ram + 4000);
    QCOMPARE(state.palsearchpos, ram + 4001);
    QCOMPARE(state.canvas.colorTable(), secondTable);

    Palette::searchCopperSimple(state); // past the last match: back to the start
    QCOMPARE(state.palsearchpos, 0);
    QCOMPARE(state.palfound, ram + 4000);
    QCOMPARE(state.canvas.colorTable(), secondTable);

    Palette::searchCopperSimple(state);
    QCOMPARE(state.palfound, ram + 1001);
    QCOMPARE(state.canvas.colorTable(), firstTable);
}

void TestPalette::advancedStepsThroughLists()
{
    // The cursor skips only the leading run: the moves after the wait form the next list.
    const QList<std::uint16_t> colours = copperColours(8, 0x00F);
    const QByteArray split = copperColourMoves(colours.mid(0, 4)) + copperWait(0x2C, 0x00)
        + copperColourMoves(colours).mid(16) + copperEnd();
    const Builder builder = snapshotWithLists({ { 2002, split } });
    const qsizetype list = builder.cramDataOffset() + 2002;
    RipperState state = loadedState(builder.bytes());

    Palette::searchCopperAdvanced(state);
    QCOMPARE(state.palfound, list);
    QCOMPARE(state.palsearchpos, list + 16);
    QCOMPARE(state.canvas.colorTable(), withCopperColours(Palette::defaultColors(), colours));

    Palette::resetPalette(state);
    state.palsearchpos = int(list + 16);
    Palette::searchCopperAdvanced(state);
    QCOMPARE(state.palfound, list + 20);
    QCOMPARE(state.palsearchpos, list + 36);
    QList<QRgb> secondHalf = Palette::defaultColors();
    for (int i = 4; i < 8; ++i)
        secondHalf[i] = withCopperColours(secondHalf, colours)[i];
    QCOMPARE(state.canvas.colorTable(), secondHalf);

    const QList<QRgb> before = state.canvas.colorTable();
    Palette::searchCopperAdvanced(state);
    QCOMPARE(state.palsearchpos, 0);
    QCOMPARE(state.palfound, list + 20);
    QCOMPARE(state.canvas.colorTable(), before);

    Palette::searchCopperAdvanced(state);
    QCOMPARE(state.palfound, list);
}

void TestPalette::repeatSearchFindsSameList_data()
{
    QTest::addColumn<int>("source");
    QTest::newRow("Simple") << int(RipperState::PaletteSimple);
    QTest::newRow("Advanced") << int(RipperState::PaletteAdvanced);
}

void TestPalette::repeatSearchFindsSameList()
{
    QFETCH(int, source);
    const Builder builder
        = snapshotWithLists({ { 600, copperColourMoves(copperColours(32, 1)) + copperEnd() },
            { 900, copperColourMoves(copperColours(32, 2)) + copperEnd() } });
    RipperState state = loadedState(builder.bytes());
    state.palsource = source;

    Palette::applySelectedSource(state);
    const int found = state.palfound;
    const QList<QRgb> table = state.canvas.colorTable();
    for (int round = 0; round < 2; ++round) {
        state.palsearchpos = state.palfound; // key J
        Palette::applySelectedSource(state);
        QCOMPARE(state.palfound, found);
        QCOMPARE(state.canvas.colorTable(), table);
    }
}

void TestPalette::advancedList_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<int>("advance"); // 0: no list found
    QTest::addColumn<QList<int>>("colours"); // pairs of colour register and 12-bit colour

    const QByteArray four = copperMove(0x0180, 0x100) + copperMove(0x0182, 0x101)
        + copperMove(0x0184, 0x102) + copperMove(0x0186, 0x103);
    const QList<int> fourColours { 0, 0x100, 1, 0x101, 2, 0x102, 3, 0x103 };

    QTest::newRow("wait breaks the run")
        << four + copperWait(0x2C, 0x00) + copperMove(0x0188, 0x104) + copperEnd() << 16
        << fourColours + QList<int> { 4, 0x104 };
    QTest::newRow("first value kept")
        << four + copperMove(0x0182, 0xFFF) + copperMove(0x0188, 0x104) + copperEnd() << 16
        << fourColours + QList<int> { 4, 0x104 };
    QTest::newRow("end marker stops")
        << four + copperEnd() + copperMove(0x0188, 0x104) << 16 << fourColours;
    QTest::newRow("register 16 inside") << four + copperMove(0x01A0, 0x104) + copperEnd() << 20
                                        << fourColours + QList<int> { 16, 0x104 };
    QTest::newRow("register 31 and odd words")
        << copperMove(0x0181, 0x100) + copperMove(0x0183, 0x101) + copperMove(0x0185, 0x102)
            + copperMove(0x019F, 0x10F) + copperMove(0x01BE, 0x10E) + copperEnd()
        << 20 << QList<int> { 0, 0x100, 1, 0x101, 2, 0x102, 15, 0x10F, 31, 0x10E };
    QTest::newRow("register 16 not leading") << copperMove(0x0180, 0x100)
            + copperMove(0x0182, 0x101) + copperMove(0x0184, 0x102) + copperMove(0x01A0, 0x104)
            + copperEnd() << 0 << QList<int>();
    QTest::newRow("move to other register breaks")
        << four + copperMove(0x0100, 0x5200) + copperMove(0x0188, 0x104) + copperEnd() << 16
        << fourColours + QList<int> { 4, 0x104 };
}

void TestPalette::advancedList()
{
    QFETCH(QByteArray, list);
    QFETCH(int, advance);
    QFETCH(QList<int>, colours);

    QByteArray bytes(256, '\0');
    putBytes(bytes, 10, list);
    RipperState state = loadedState(bytes);
    state.palfound = -1;
    Palette::searchCopperAdvanced(state);

    QList<QRgb> expected = Palette::defaultColors();
    for (qsizetype i = 0; i < colours.size(); i += 2)
        expected[colours[i]] = wordColour(colours[i + 1]);
    QCOMPARE(state.palfound, advance > 0 ? 10 : -1);
    QCOMPARE(state.palsearchpos, advance > 0 ? 10 + advance : 0);
    QCOMPARE(state.canvas.colorTable(), expected);
}

void TestPalette::advancedScanStopsAtLastWholeEntry()
{
    // Four moves, broken entries up to byte 64, then a move to colour 4 as the last entry.
    QByteArray bytes = copperColourMoves(copperColours(4, 0x200));
    while (bytes.size() < 64)
        bytes += copperWait(0x30, 0x00);
    bytes += copperMove(0x0188, 0x0ABC);
    const QRgb moved = Palette::color12ToRgb(0x0A, 0xBC);

    RipperState whole = loadedState(bytes);
    Palette::searchCopperAdvanced(whole);
    QCOMPARE(whole.canvas.color(4), moved);

    RipperState cut = loadedState(bytes.left(bytes.size() - 1));
    Palette::searchCopperAdvanced(cut);
    QCOMPARE(cut.palfound, 0);
    QCOMPARE(cut.palsearchpos, 16);
    QCOMPARE(cut.canvas.color(4), Palette::defaultColors()[4]);
}

void TestPalette::nearTheEnd_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("listAt");
    QTest::addColumn<bool>("found");

    const int simple = RipperState::PaletteSimple;
    const int advanced = RipperState::PaletteAdvanced;
    for (int source : { simple, advanced }) {
        const char *name = source == simple ? "Simple" : "Advanced";
        QTest::addRow("%s, 0 bytes", name) << source << 0 << 0 << false;
        QTest::addRow("%s, 64 bytes", name) << source << 64 << 0 << false;
        QTest::addRow("%s, 65 bytes", name) << source << 65 << 0 << (source == advanced);
        QTest::addRow("%s, last start", name) << source << 1000 << 935 << (source == advanced);
        QTest::addRow("%s, past last start", name) << source << 1000 << 936 << false;
    }
    QTest::newRow("Simple, 128 bytes left") << simple << 1000 << 872 << true;
    QTest::newRow("Simple, 127 bytes left") << simple << 1000 << 873 << false;
}

void TestPalette::nearTheEnd()
{
    QFETCH(int, source);
    QFETCH(int, size);
    QFETCH(int, listAt);
    QFETCH(bool, found);

    QByteArray bytes(size, '\0');
    bytes.replace(listAt, 0, copperColourMoves(copperColours(32, 0x321)));
    bytes.truncate(size);
    RipperState state = loadedState(bytes);
    state.palsource = source;
    state.palfound = -5;
    state.palsearchpos = 0;
    Palette::applySelectedSource(state);
    QCOMPARE(state.palfound, found ? listAt : -5);
    QCOMPARE(state.palsearchpos != 0, found);
    QCOMPARE(state.canvas.colorTable() != Palette::defaultColors(), found);
}

void TestPalette::cursorOutsideData()
{
    const Builder builder = snapshotWithLists({ { 64, copperColourMoves(copperColours(32, 3)) } });
    for (Search search : { Palette::searchCopperSimple, Palette::searchCopperAdvanced }) {
        RipperState state = loadedState(builder.bytes());
        state.palsearchpos = -1000; // a damaged state file: nothing lies before byte 0
        search(state);
        QCOMPARE(state.palfound, builder.cramDataOffset() + 64);

        state.palsearchpos = state.filesize + 10;
        search(state);
        QCOMPARE(state.palsearchpos, 0);
    }
}

void TestPalette::applySelectedSource_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<bool>("empty"); // filesize 0
    QTest::addColumn<QString>("foundAt"); // what palfound becomes
    QTest::addColumn<int>("cursor");

    for (bool empty : { false, true }) {
        const char *how = empty ? "filesize 0" : "loaded";
        QTest::addRow("Simple, %s", how)
            << 0 << empty << (empty ? "unchanged" : "simple") << (empty ? 0 : -1);
        QTest::addRow("Advanced, %s", how)
            << 1 << empty << (empty ? "unchanged" : "advanced") << (empty ? 0 : -1);
        QTest::addRow("ECS, %s", how) << 2 << empty << (empty ? "unchanged" : "CHIP") << 50;
        QTest::addRow("AGA, %s", how) << 3 << empty << (empty ? "unchanged" : "AGAC") << 50;
        QTest::addRow("7, %s", how) << 7 << empty << "unchanged" << 50;
    }
}

void TestPalette::applySelectedSource()
{
    QFETCH(int, source);
    QFETCH(bool, empty);
    QFETCH(QString, foundAt);
    QFETCH(int, cursor); // -1: just past the list found

    // An Advanced list that the Simple search does not take, then a Simple one.
    const QByteArray advancedList = copperMove(0x0184, 0x111) + copperMove(0x0180, 0x222)
        + copperMove(0x0186, 0x333) + copperMove(0x0182, 0x444) + copperEnd();
    QByteArray ram(ChipRamSize, '\0');
    putBytes(ram, 100, advancedList);
    putBytes(ram, 300, copperColourMoves(copperColours(32, 5)));
    Builder builder;
    builder.addAsf().addCpu().addChip(ecsWords()).addAgac(agaColours()).addCram(ram).addEnd();

    RipperState state = loadedState(builder.bytes());
    if (empty)
        state.filesize = 0;
    state.palsource = source;
    state.palsearchpos = 50;
    state.palfound = 3;
    Palette::applySelectedSource(state);

    const qsizetype ramAt = builder.cramDataOffset();
    const QHash<QString, qsizetype> positions { { "unchanged", 3 }, { "simple", ramAt + 300 },
        { "advanced", ramAt + 100 }, { "CHIP", builder.chunkOffset("CHIP") + EcsColourOffset },
        { "AGAC", builder.chunkOffset("AGAC") + AgaColourOffset } };
    QCOMPARE(state.palfound, positions[foundAt]);
    const qsizetype step = source == 0 ? 1 : 16;
    QCOMPARE(state.palsearchpos, cursor < 0 ? positions[foundAt] + step : cursor);
    QCOMPARE(state.palsearchmode, source);
    QCOMPARE(state.palsource, source);
    QCOMPARE(state.canvas.colorTable() == Palette::defaultColors(), foundAt == "unchanged");
}

QTEST_GUILESS_MAIN(TestPalette)
#include "tst_palette.moc"
