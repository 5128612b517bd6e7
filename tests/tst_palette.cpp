#include "palette.h"
#include "testsnapshot.h"

#include <QTest>

using namespace TestSnapshot;

namespace {

RipperState loadedState(const QByteArray &bytes)
{
    RipperState state;
    state.canvas = QImage(8, 8, QImage::Format_Indexed8);
    Palette::setDefaultPalette(state.canvas);
    loadInto(state, bytes);
    return state;
}

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

class TestPalette : public QObject
{
    Q_OBJECT

private slots:
    void fixedTables();
    void chunkTables_data();
    void chunkTables();
    void advancedList_data();
    void advancedList();
    void nearTheEnd_data();
    void nearTheEnd();
};

void TestPalette::fixedTables()
{
    const int expanded[16]
        = { 0, 20, 40, 60, 64, 85, 105, 125, 129, 149, 170, 190, 194, 214, 234, 255 };
    for (int c = 0; c < 16; ++c)
        QCOMPARE(rgbOfWord(c << 8 | c << 4 | c), qRgb(expanded[c], expanded[c], expanded[c]));
    QCOMPARE(rgbOfWord(0xF444), qRgb(64, 64, 64));
    QCOMPARE(rgbOfWord(0x0123), qRgb(20, 40, 60));

    QList<QRgb> defaults { qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(89, 186, 73),
        qRgb(65, 36, 199) };
    for (int i = 4; i < 255; ++i)
        defaults.append(qRgb(i, i, i));
    QCOMPARE(Palette::defaultColors(), defaults + QList<QRgb> { qRgb(203, 203, 215) });
}

void TestPalette::chunkTables_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("entries"); // whole entries the data holds; -1: no such chunk

    for (int source : { RipperState::PaletteECS, RipperState::PaletteAGA }) {
        const int all = source == RipperState::PaletteECS ? 63 : 256;
        for (int entries : { all, all - 1, 10, 0, -1 })
            QTest::addRow("%s %d", all == 63 ? "ECS" : "AGA", entries) << source << entries;
    }
}

// ECS sets 63 entries, AGA 256; a table the data cuts short gives only its whole entries.
// Applied twice, the same result, and the Copper cursor stays.
void TestPalette::chunkTables()
{
    QFETCH(int, source);
    QFETCH(int, entries);

    const bool aga = source == RipperState::PaletteAGA;
    const QByteArray tag = aga ? "AGAC" : "CHIP";
    const QList<std::uint16_t> stored = sampleWords(aga ? 256 : 63, 5);
    QList<QRgb> colours = Palette::defaultColors(); // AGA holds them at full precision
    for (qsizetype i = 0; i < stored.size(); ++i)
        colours[i] = rgbOfWord(stored[i]);
    Builder snapshot;
    snapshot.add("ASF ", {});
    snapshot.add(entries < 0 ? tag.toLower() : tag,
        aga ? SnapshotWriter::agacData(colours) : SnapshotWriter::chipData(stored));
    snapshot.end();
    const qsizetype table = snapshot.chunkOffset(tag) + (aga ? 12 : 240);
    const qsizetype cut = table + (aga ? 4 : 2) * (entries + 1) - 1; // 1 byte short of the next
    const QByteArray bytes = snapshot.bytes();
    RipperState state
        = loadedState(entries < 0 || entries == stored.size() ? bytes : bytes.left(cut));
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

void TestPalette::advancedList_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<int>("size"); // of the data, the list starting at byte 10
    QTest::addColumn<int>("run"); // cursor advance; 0: no list taken
    QTest::addColumn<QList<int>>("colours"); // colour registers set, each to 0x100 + its number

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

void TestPalette::advancedList()
{
    QFETCH(QByteArray, list);
    QFETCH(int, size);
    QFETCH(int, run);
    QFETCH(QList<int>, colours);

    QByteArray bytes(256, '\0');
    putBytes(bytes, 10, list);
    RipperState state = loadedState(bytes.left(size));
    state.palfound = -1;
    Palette::searchCopperAdvanced(state);
    QList<QRgb> expected = Palette::defaultColors();
    for (int n : colours)
        expected[n] = rgbOfWord(0x100 + n);
    QCOMPARE(state.canvas.colorTable(), expected);
    QCOMPARE(state.palfound, run > 0 ? 10 : -1);
    QCOMPARE(state.palsearchpos, run > 0 ? 10 + run : 0);
}

void TestPalette::nearTheEnd_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("listAt");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<bool>("found");

    const int simple = RipperState::PaletteSimple, advanced = RipperState::PaletteAdvanced;
    for (int source : { simple, advanced }) {
        const char *name = source == simple ? "Simple" : "Advanced";
        QTest::addRow("%s, 64 bytes", name) << source << 64 << 0 << 0 << false;
        QTest::addRow("%s, past last start", name) << source << 1000 << 936 << 0 << false;
        QTest::addRow("%s, cursor below 0", name) << source << 1000 << 64 << -1000 << true;
        QTest::addRow("%s, cursor past the end", name) << source << 1000 << 64 << 1010 << false;
    }
    QTest::newRow("Advanced, 65 bytes") << advanced << 65 << 0 << 0 << true;
    QTest::newRow("Advanced, last start") << advanced << 1000 << 935 << 0 << true;
    QTest::newRow("Simple, 128 bytes left") << simple << 1000 << 872 << 0 << true;
    QTest::newRow("Simple, 127 bytes left") << simple << 1000 << 873 << 0 << false;
    QTest::newRow("unknown source") << 7 << 1000 << 64 << 0 << false;
}

void TestPalette::nearTheEnd()
{
    QFETCH(int, source);
    QFETCH(int, size);
    QFETCH(int, listAt);
    QFETCH(int, cursor);
    QFETCH(bool, found);

    QByteArray bytes(size, '\0');
    putBytes(bytes, listAt, copperColourMoves(sampleWords(32, 3)));
    RipperState state = loadedState(bytes.left(size));
    state.palsource = source;
    state.palfound = -5;
    state.palsearchpos = cursor;
    Palette::applySelectedSource(state);
    QCOMPARE(state.palfound, found ? listAt : -5);
    QCOMPARE(state.palsearchpos != 0, found);
    QCOMPARE(state.canvas.colorTable() != Palette::defaultColors(), found);
    QCOMPARE(state.palsearchmode, source);
}

QTEST_GUILESS_MAIN(TestPalette)
#include "tst_palette.moc"
