// Inputs a user may receive from anyone, cut down from what the fuzzers and sanitizers found:
// each case once tripped a sanitizer or left a value outside its range.
#include "appsettings.h"
#include "decoder.h"
#include "inisafety.h"
#include "palette.h"
#include "pelvane.h"
#include "planarsimd.h"
#include "recentfiles.h"
#include "statefile.h"
#include "testsnapshot.h"
#include "workdir.h"

#include <QTest>

#include <array>
#include <cstring>

using namespace TestSnapshot;

class TestHostile : public QObject
{
    Q_OBJECT

private slots:
    void decodeFarFromTheData_data();
    void decodeFarFromTheData();
    void chunkTableWhollyPastTheEnd_data();
    void chunkTableWhollyPastTheEnd();
    void windowPositionAtTheLimitsOfInt_data();
    void windowPositionAtTheLimitsOfInt();
    void stateFileWithSerializedValueIsRefused_data() { addSerializedValues(); }
    void stateFileWithSerializedValueIsRefused();
    void stateSavedOverSerializedValueReplacesIt_data() { addSerializedValues(); }
    void stateSavedOverSerializedValueReplacesIt();
    void settingsWithSerializedValueAreNotUsed_data() { addSerializedValues(); }
    void settingsWithSerializedValueAreNotUsed();
    void settingsFoundByFuzzing();
    void iniTextsWithoutSerializedValues_data();
    void iniTextsWithoutSerializedValues();

private:
    static void addSerializedValues();
};

// One decoding case: the decoding fields, where the picture starts and where it is drawn.
struct DecodeCase
{
    int mode;
    int bits;
    int blXSize;
    int blYSize;
    int skip;
    int skipmode;
    std::array<int, 8> order;
    int dataSize;
    qint64 position;
    QSize dest;
    QPoint at;
};
Q_DECLARE_METATYPE(DecodeCase)
Q_DECLARE_METATYPE(PlanarSimd::Level)

void TestHostile::decodeFarFromTheData_data()
{
    QTest::addColumn<DecodeCase>("c");
    QTest::addColumn<PlanarSimd::Level>("level");

    const std::array<int, 8> identity { 0, 1, 2, 3, 4, 5, 6, 7 };
    const qint64 farBefore = -(qint64(1) << 52);
    // Destinations wide enough for the SIMD blocks; no line of these pictures reaches the data
    // far enough to read it, so plane addresses must not even be formed.
    const QList<QPair<const char *, DecodeCase>> cases {
        { "empty snapshot, C+, skipped planes, invalid order entry",
            { 3, 8, 1536, 524, 1531, 1, { 5, 4, 1278463180, 4, 4, 4, 0, 4 }, 0, -522232,
                QSize(581, 5), QPoint(79, -167) } },
        { "empty snapshot, AM",
            { 0, 8, 80, 4, 0, 0, identity, 0, 0, QSize(640, 4), QPoint(0, 0) } },
        { "2^52 before the data, AM",
            { 0, 8, 80, 4, 0, 0, identity, 4096, farBefore, QSize(640, 4), QPoint(0, 0) } },
        { "2^52 past the data, ST",
            { 1, 8, 80, 4, 0, 0, identity, 4096, -farBefore, QSize(640, 4), QPoint(0, 0) } },
    };
    for (PlanarSimd::Level level :
         { PlanarSimd::Level::Sse2, PlanarSimd::Level::Avx2, PlanarSimd::Level::Avx512 }) {
        for (const auto &[name, c] : cases)
            QTest::addRow("%s, level %d", name, int(level)) << c << level;
    }
}

void TestHostile::decodeFarFromTheData()
{
    QFETCH(DecodeCase, c);
    QFETCH(PlanarSimd::Level, level);

    RipperState state;
    state.fileData.assign(std::size_t(c.dataSize), 0xA5);
    state.filesize = c.dataSize;
    state.fileLoaded = true;
    state.mode = c.mode;
    state.bits = c.bits;
    state.blXSize = c.blXSize;
    state.blYSize = c.blYSize;
    state.skip = c.skip;
    state.skipmode = c.skipmode;
    state.bitplaneorder = c.order;
    QImage fast(c.dest, QImage::Format_Indexed8);
    std::memset(fast.bits(), 7, std::size_t(fast.sizeInBytes()));
    QImage literal = fast.copy();

    PlanarSimd::setMaxLevel(level);
    Decoder::drawPicture(state, fast, c.position, c.at.x(), c.at.y());
    PlanarSimd::setMaxLevel(PlanarSimd::Level::Avx512);
    Decoder::drawPictureLiteral(state, literal, c.position, c.at.x(), c.at.y());
    QVERIFY(
        std::memcmp(fast.constBits(), literal.constBits(), std::size_t(fast.sizeInBytes())) == 0);
}

void TestHostile::chunkTableWhollyPastTheEnd_data()
{
    QTest::addColumn<QByteArray>("tag");
    QTest::addColumn<int>("bytesAfterTag");

    // The colours would start 12 ("AGAC") or 240 ("CHIP") bytes after the tag: the file ends
    // after the length word, or right where the table would begin.
    QTest::newRow("AGAC header only") << QByteArray("AGAC") << 4;
    QTest::newRow("AGAC ends where the table begins") << QByteArray("AGAC") << 8;
    QTest::newRow("CHIP header only") << QByteArray("CHIP") << 4;
    QTest::newRow("CHIP ends where the table begins") << QByteArray("CHIP") << 236;
}

void TestHostile::chunkTableWhollyPastTheEnd()
{
    QFETCH(QByteArray, tag);
    QFETCH(int, bytesAfterTag);

    QByteArray bytes = QByteArray(16, '\0');
    bytes[7] = 12; // a first chunk of 12 bytes, so the tag is found second, at 16
    bytes += tag + bigEndian32(0xFFFFFFFF) + QByteArray(bytesAfterTag - 4, '\x0F');
    RipperState state;
    state.canvas = QImage(8, 8, QImage::Format_Indexed8);
    Palette::setDefaultPalette(state.canvas);
    loadInto(state, bytes);
    state.palfound = 3;

    tag == "AGAC" ? Palette::readAgaPalette(state) : Palette::readEcsPalette(state);
    QCOMPARE(state.palfound, 3);
    QCOMPARE(state.canvas.colorTable(), Palette::defaultColors());
}

void TestHostile::windowPositionAtTheLimitsOfInt_data()
{
    QTest::addColumn<QByteArray>("x");
    QTest::addColumn<QByteArray>("y");

    QTest::newRow("largest") << QByteArray("2147483647") << QByteArray("2147483647");
    QTest::newRow("smallest") << QByteArray("-2147483648") << QByteArray("-2147483648");
    QTest::newRow("just below largest") << QByteArray("2147483000") << QByteArray("26");
}

// A window that far off every screen falls back to the default place, without arithmetic on
// its corners overflowing.
void TestHostile::windowPositionAtTheLimitsOfInt()
{
    QFETCH(QByteArray, x);
    QFETCH(QByteArray, y);

    WorkDir dir;
    dir.writeFile(AppSettings::fileName(), "[General]\nwindowx=" + x + "\nwindowy=" + y + "\n");
    Pelvane window;
    QCOMPARE(window.geometry().topLeft(),
        QPoint(AppSettings::DefaultWindowX, AppSettings::DefaultWindowY));
}

// A QDataStream image of a variant whose type asks for 13 GB: found by fuzz_statefile.
static const QByteArray HugeVariant = "(\\0\\0\\0\\[Generax2\\0\\0\\0\\x10)";

// The same value spelled in the ways the INI reader undoes: escapes, quotes, a continued line.
void TestHostile::addSerializedValues()
{
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("plain") << "@Variant" + HugeVariant;
    QTest::newRow("hex escape") << "\\x40Variant" + HugeVariant;
    QTest::newRow("long hex escape") << "\\x10040Variant" + HugeVariant;
    QTest::newRow("octal escape") << "\\100Variant" + HugeVariant;
    QTest::newRow("quotes inside") << "\"@Var\"iant" + HugeVariant;
    QTest::newRow("continued line") << "@Vari\\\nant" + HugeVariant;
    QTest::newRow("in a list") << "1, 2, @Variant" + HugeVariant;
    QTest::newRow("date and time") << "@DateTime" + HugeVariant;
}

void TestHostile::stateFileWithSerializedValueIsRefused()
{
    QFETCH(QByteArray, value);

    WorkDir dir;
    const QString path = dir.writeFile("hostile.plv", "[General]\nbits=4\nblXSize=" + value + "\n");
    RipperState state;
    loadInto(state, QByteArray(100, '\0'));
    const StateFile::LoadResult result = StateFile::load(state, path);
    QVERIFY(!result.readable);
    QCOMPARE(state.bits, RipperState().bits);
}

void TestHostile::stateSavedOverSerializedValueReplacesIt()
{
    QFETCH(QByteArray, value);

    WorkDir dir;
    const QString path = dir.writeFile("hostile.plv", "[General]\nother=" + value + "\n");
    RipperState saved;
    loadInto(saved, QByteArray(100, '\0'));
    saved.bits = 5;
    QVERIFY(StateFile::save(saved, path));
    RipperState loaded;
    loadInto(loaded, QByteArray(100, '\0'));
    QVERIFY(StateFile::load(loaded, path).readable);
    QCOMPARE(loaded.bits, 5);
}

void TestHostile::settingsWithSerializedValueAreNotUsed()
{
    QFETCH(QByteArray, value);

    WorkDir dir;
    const QByteArray text = "[General]\nwindowx=" + value + "\nwindowy=300\n";
    dir.writeFile(AppSettings::fileName(), text);
    {
        Pelvane window;
        QCOMPARE(window.geometry().topLeft(),
            QPoint(AppSettings::DefaultWindowX, AppSettings::DefaultWindowY));
        window.close();
    }
    QCOMPARE(dir.readFile(AppSettings::fileName()), text);
}

// fuzz_settings: a recent-file update rewrites this file so that a serialized value appears in
// the middle of a value. From then on the file must not be used: the list reads back empty, never
// as a deserialized value.
void TestHostile::settingsFoundByFuzzing()
{
    const QByteArray text(
        "\x5b\x47\x5b\x6e\x5d\x0a\x6c\x72\x5b\x47\x65\x61\x6e\x65\x72\x6c\x5d\x0a\x77\x69\x6e\x64"
        "\x6f\x77\x78\x3d\x31\x30\x30\x0a\x65\x61\x72\x65\x63\x65\x6e\x74\x46\x69\x6c\x65\x4c\x69"
        "\x73\x74\x3d\x22\x61\x2c\x20\x62\x2e\x75\x73\x73\x22\x2c\x20\x22\x63\x5c\x22\x64\x2e\x75"
        "\x73\x73\x22\x2c\x20\x40\x5c\x30\x76\x61\x6c\x69\x64\x28\x29\x0a\x77\x69\x6e\x64\x6f\x77"
        "\x78\x3d\x46\x69\x6c\x65\x4c\x69\x73\x74\x3d\x22\x61\x2c\x20\x62\x2e\x75\x73\x73\x22\x2c"
        "\x20\x22\x63\x5c\x22\x64\x2e\x75\x73\x73\x22\x2c\x20\x40\x5c\x30\x76\x61\x6c\x69\x64\x28"
        "\x29\x0a\x77\x69\x6e\x64\x6f\x77\x78\x3d\x40\x40\x56\x61\x72\x69\x61\x6e\x74\x28\x5c\x30"
        "\x5c\x30\x5c\x0a\x72\x65\x63\x65\x6e\x74\x44\x69\x6c\x65\x4c\x69\x73\x74\x3d\x22\x77\x69"
        "\x6e\x64\x6f\x2c\x79\x3d\x35\x30\x0a\x72\x65\x63\x65\x6e\x74\x46\x77\x69\x6e\x64\x6f\x77"
        "\x78\x3d\x31\x30\x30\x0a\x77\x69\x6e\x64\x6f\x77\x79\x3d\x35\x30\x0a\x72\x65\x63\x65\x6e"
        "\x74\x46\x69\x6c\x65\x4c\x69\x73\x61\x77\x78\x3d\x40\x56\x74\x3d\x2f\x73\x61\x72\x69",
        241);
    WorkDir dir;
    dir.writeFile("settings.ini", text);
    const QString loaded = QStringLiteral("/snapshots/loaded game.uss");
    QStringList written;
    {
        SettingsFile settings;
        written = RecentFiles::withFileInFront(
            settings.value(AppSettings::RecentFileList).toStringList(), loaded);
        settings.setValue(AppSettings::RecentFileList, written);
    }
    const QStringList reread = SettingsFile().value(AppSettings::RecentFileList).toStringList();
    if (IniSafety::usablePath(AppSettings::fileName()).isEmpty())
        QVERIFY(reread.isEmpty());
    else
        QCOMPARE(reread, written);
}

void TestHostile::iniTextsWithoutSerializedValues_data()
{
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("saved state") << QByteArray("[General]\nbitplaneorder=0, 1, 2\nreverse=true\n");
    QTest::newRow("string starting with @, as written")
        << QByteArray("defaultussdir=@@Variant(x)\n");
    QTest::newRow("path with @") << QByteArray("recentFileList=/home/me@host/Variant(1).uss\n");
    QTest::newRow("escaped backslashes") << QByteArray("defaultussdir=C:\\\\games\\x41\n");
}

// The program's own files and ordinary paths are still read.
void TestHostile::iniTextsWithoutSerializedValues()
{
    QFETCH(QByteArray, text);
    QVERIFY(!IniSafety::holdsSerializedValue(text));
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
