// Files the program reads and writes: ripper state files, PNG exports, and INI files from anyone.
#include "appsettings.h"
#include "exporter.h"
#include "inisafety.h"
#include "pelvane.h"
#include "reference.h"
#include "rows.h"
#include "statefile.h"
#include "workdir.h"

#include <QImageReader>
#include <QSettings>
#include <QTest>
#include <limits>

using Exporter::Result;

namespace {

// Every field a state file writes or loads, and the load's two warnings, by name.
QVariantMap fields(const RipperState &s, const StateFile::LoadResult &r = {})
{
    QStringList order;
    for (int entry : s.bitplaneorder)
        order << QString::number(entry);
    return { { "offset", s.offset }, { "blXSize", s.blXSize }, { "blYSize", s.blYSize },
        { "skip", s.skip }, { "bits", s.bits }, { "mode", s.mode }, { "skipmode", s.skipmode },
        { "reverse", s.reverse }, { "palsource", s.palsource },
        { "palsearchmode", s.palsearchmode }, { "palfound", s.palfound },
        { "palsearchpos", s.palsearchpos }, { "order", order.join(',') },
        { "readable", r.readable }, { "sizeDiffers", r.fileSizeDiffers },
        { "clamped", r.offsetClamped } };
}

// Varied bytes under a 3-plane view in ST with skip mode 1, reversed and reordered planes and a
// palette like no other, so every pixel can be traced.
RipperState exportState()
{
    QByteArray bytes(256 * 1024, '\0');
    std::uint32_t seed = 12345;
    for (char &byte : bytes)
        byte = char((seed = seed * 1664525u + 1013904223u) >> 24);
    RipperState state = Reference::loaded(bytes, Grid::CanvasWidth, Grid::CanvasHeight);
    std::tie(state.offset, state.blXSize, state.blYSize, state.bits, state.skipmode, state.skip)
        = std::make_tuple(37, 3, 11, 3, int(RipperState::SkipBitplanes), 16);
    std::tie(state.mode, state.reverse, state.bitplaneorder) = std::make_tuple(
        int(RipperState::ModeST), true, std::array<int, 8> { 2, 0, 1, 3, 4, 5, 6, 7 });
    QList<QRgb> colors;
    for (int i = 0; i < 256; ++i)
        colors << qRgb(i, 255 - i, (i * 37) & 0xFF);
    state.canvas.setColorTable(colors);
    return state;
}

bool windowAtDefaultPlace()
{
    Pelvane window;
    return window.geometry().topLeft()
        == QPoint(AppSettings::DefaultWindowX, AppSettings::DefaultWindowY);
}

// A QDataStream image of a variant whose type asks for 13 GB: found by fuzz_statefile.
const QByteArray HugeVariant = "(\\0\\0\\0\\[Generax2\\0\\0\\0\\x10)";

} // namespace

class TestPersist : public QObject
{
    Q_OBJECT

    WorkDir m_dir;
    int m_files = 0; // QSettings caches parsed files by path: every load gets a new one

private slots:
    void stateFileKeepsOtherKeys()
    {
        const QString file = m_dir.writeFile("a.plv", "[General]\nauthor=me\noffset=5\n[x]\ny=2\n");
        RipperState state = Reference::loaded(QByteArray(777, '\0'));
        std::tie(state.reverse, state.offset) = std::make_tuple(true, 96);
        QVERIFY(StateFile::save(state, file));
        const QByteArray text = m_dir.readFile("a.plv");
        QVERIFY(text.startsWith("[General]\n"));
        for (const char *line :
            { "bitplaneorder=0, 1, 2, 3, 4, 5, 6, 7", "reverse=true", "offset=96", "blYSize=200",
                "palsearchmode=2", "palfound=0", "filesize=777", "author=me" })
            QVERIFY2(text.contains(QByteArray(line) + '\n'), line);
        QCOMPARE(QSettings(file, QSettings::IniFormat).value("x/y").toInt(), 2);
        QVERIFY(!StateFile::save(state, m_dir.path())); // a directory
    }

    // Keys after "[General]" loaded onto a snapshot of 1000 bytes with bitplane order 7..0, then
    // the fields expected ("field=value" pairs, apart by spaces)
    void stateFileLoad_data()
    {
        QTest::addColumn<QString>("row");
        for (const char *row :
            { "filesize=1000 offset=999 | offset=999 sizeDiffers=false clamped=false",
                "filesize=1000 offset=1000 | offset=1000 sizeDiffers=false clamped=false",
                "filesize=1000 offset=1001 | offset=1000 sizeDiffers=false clamped=true",
                "filesize=2000 offset=10 | offset=10 sizeDiffers=true clamped=false",
                "filesize=4096 offset=4000 | offset=1000 sizeDiffers=true clamped=true",
                " | readable=true offset=0 palfound=0 palsearchpos=0 order=7,6,5,4,3,2,1,0",
                "palfound=0 | palfound=0 palsearchpos=0", "palfound=-2147483648 | palfound=0",
                "palfound=256 | palfound=255 palsearchpos=255",
                "bitplaneorder=0,1,2 | order=0,1,2,4,3,2,1,0",
                "bitplaneorder=1,1,1,1,1,1,1,1,9,9 | order=1,1,1,1,1,1,1,1",
                "bitplaneorder=1,x,3,,5 | order=1,0,3,0,5,2,1,0",
                "mode=9 skipmode=5 | mode=4 skipmode=1", "mode=-1 skipmode=-3 | mode=0 skipmode=0",
                "mode=3 skipmode=1 blXSize=4000 | mode=3 skipmode=1 blXSize=4000",
                "mode=x blXSize=12abc | mode=0 blXSize=0", "blXSize=99999999999 | blXSize=0" })
            QTest::newRow(row) << QString(row);
    }

    void stateFileLoad()
    {
        QFETCH(QString, row);
        const QString text = row.section(" | ", 0, 0).replace(' ', '\n').replace(',', ", ");
        const QString file
            = m_dir.writeFile(QString::number(++m_files), "[General]\n" + text.toUtf8());
        RipperState state = Reference::loaded(QByteArray(1000, '\0'));
        state.bitplaneorder = { 7, 6, 5, 4, 3, 2, 1, 0 };
        const QVariantMap loaded = fields(state, StateFile::load(state, file));
        for (const QString &pair : row.section(" | ", 1).split(' '))
            QCOMPARE(loaded.value(pair.section('=', 0, 0)).toString(), pair.section('=', 1));
    }

    void compose_data()
    {
        // view: blXSize, blYSize, bits, then the request: across, down, left to right, border,
        // colour; stride: -1 for an allowed request only checked (composing it would take a
        // gigabyte)
        Rows::columns<QList<int>, Result, int, int>("view", "result", "borderIndex", "stride");
        const auto row = [](const char *name, QList<int> view, int borderIndex, int stride,
                             Result result = Result::Written) {
            QTest::newRow(name) << view << result << borderIndex << stride;
        };
        const int intMax = std::numeric_limits<int>::max();
        row("Left -> Right: down first", { 3, 11, 3, 3, 2, 1, 2, 253 }, 253, 147);
        row("Up -> Down: across first", { 3, 11, 3, 3, 2, 0, 2, 253 }, 253, 147);
        row("colour 256 + 253", { 3, 11, 3, 3, 2, 1, 2, 256 + 253 }, 253, 147);
        row("colour -1", { 3, 11, 3, 3, 2, 1, 2, -1 }, 255, 147);
        row("lowest colour", { 3, 11, 3, 1, 2, 1, 2, -intMax - 1 }, 0, 147);
        row("larger than the canvas", { 110, 650, 2, 2, 1, 1, 3, 253 }, 253, 143032);
        // Cells of 12 by 4 drawn in memory order: a later picture covers an earlier one.
        row("negative border overlaps", { 2, 8, 3, 2, 2, 0, -4, 253 }, 253, 96);
        row("widest side", { 4000, 10, 3, 1, 1, 1, 767, 1 }, 0, -1);
        row("a pixel wider", { 4000, 10, 3, 1, 1, 1, 768, 1 }, 0, 0, Result::TooLarge);
        row("most pixels", { 1, 1, 3, 4095, 8194, 1, 0, 1 }, 0, -1);
        row("a row more", { 1, 1, 3, 4095, 8195, 1, 0, 1 }, 0, 0, Result::TooLarge);
        row("huge counts", { 40, 200, 3, intMax, intMax, 1, 0, 1 }, 0, 0, Result::TooLarge);
        row("huge border", { 40, 200, 3, 1, 1, 1, intMax, 1 }, 0, 0, Result::TooLarge);
        row("cell width 0", { 2, 10, 3, 3, 3, 1, -16, 1 }, 0, 0, Result::Empty);
        row("none across", { 40, 200, 3, 0, 2, 1, 0, 1 }, 0, 0, Result::Empty);
        row("none down", { 40, 200, 3, 2, 0, 1, 0, 1 }, 0, 0, Result::Empty);
        row("lowest border", { 40, 200, 3, 1, 1, 1, -intMax - 1, 1 }, 0, 0, Result::Empty);
    }

    // Pictures in memory order, placed column by column or row by row, the border's colour in the
    // gaps, whole pictures however large; exported over an existing file, a PNG of them. A refused
    // request composes nothing and keeps the file.
    void compose()
    {
        auto [v, result, borderIndex, stride]
            = Rows::fetch<QList<int>, Result, int, int>("view", "result", "borderIndex", "stride");
        RipperState s = exportState();
        std::tie(s.blXSize, s.blYSize, s.bits) = std::make_tuple(v[0], v[1], v[2]);
        const Exporter::Request r { v[3], v[4], v[5] == 1, v[6], v[7] };
        QCOMPARE(Exporter::check(s, r), result);
        const QString file = m_dir.writeFile("one.png", "old contents");
        if (result != Result::Written) {
            QVERIFY(Exporter::compose(s, r).isNull());
            QCOMPARE(Exporter::exportPictures(s, r, file), result);
            QCOMPARE(m_dir.readFile("one.png"), QByteArray("old contents"));
        }
        if (stride <= 0)
            return;
        QCOMPARE(Grid::pictureStride(s), stride);
        const int cellWidth = 8 * s.blXSize + r.border, cellHeight = s.blYSize + r.border;
        QImage expected = Reference::filled(
            cellWidth * r.picturesX, cellHeight * r.picturesY, std::uint8_t(borderIndex));
        expected.setColorTable(s.canvas.colorTable());
        for (int k = 0; k < r.picturesX * r.picturesY; ++k)
            Reference::drawPicture(s, expected, s.offset + qint64(k) * stride,
                (r.leftToRight ? k / r.picturesY : k % r.picturesX) * cellWidth,
                (r.leftToRight ? k % r.picturesY : k / r.picturesX) * cellHeight);
        QCOMPARE(Exporter::compose(s, r), expected);
        QCOMPARE(Exporter::exportPictures(s, r, file), Result::Written);
        QImageReader reader(file);
        QCOMPARE(reader.format(), QByteArray("png"));
        QCOMPARE(reader.read(), expected);
    }

    // The same value spelled in the ways the INI reader undoes: escapes, quotes, a continued line.
    void serializedValues_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("plain") << "@Variant" + HugeVariant;
        QTest::newRow("hex escape") << "\\x40Variant" + HugeVariant;
        QTest::newRow("long hex escape") << "\\x10040Variant" + HugeVariant;
        QTest::newRow("octal escape") << "\\100Variant" + HugeVariant;
        QTest::newRow("quotes inside") << "\"@Var\"iant" + HugeVariant;
        QTest::newRow("continued line") << "@Vari\\\nant" + HugeVariant;
        QTest::newRow("continued, indented") << "@Vari\\\n \tant" + HugeVariant;
        QTest::newRow("upper-case hex escape") << "@Varia\\x6Et" + HugeVariant;
        QTest::newRow("other escape") << "@Vari\\ant" + HugeVariant;
        QTest::newRow("in a list") << "1, 2, @Variant" + HugeVariant;
        QTest::newRow("date and time") << "@DateTime" + HugeVariant;
    }

    // A state file holding one is refused and changes nothing; saved over, it is replaced.
    // Settings holding one are not used and not rewritten.
    void serializedValues()
    {
        QFETCH(QByteArray, value);
        WorkDir dir;
        const QString path
            = dir.writeFile("hostile.plv", "[General]\nbits=4\nblXSize=" + value + "\n");
        RipperState state = Reference::loaded(QByteArray(100, '\0'));
        QVERIFY(!StateFile::load(state, path).readable);
        QCOMPARE(state.bits, RipperState().bits);
        const QString other = dir.writeFile("other.plv", "[General]\nother=" + value + "\n");
        state.bits = 5;
        QVERIFY(StateFile::save(state, other));
        RipperState loaded = Reference::loaded(QByteArray(100, '\0'));
        QVERIFY(StateFile::load(loaded, other).readable);
        QCOMPARE(loaded.bits, 5);

        const QByteArray text = "[General]\nwindowx=" + value + "\nwindowy=300\n";
        dir.writeFile(AppSettings::fileName(), text);
        QVERIFY(windowAtDefaultPlace());
        QCOMPARE(dir.readFile(AppSettings::fileName()), text);
    }

    // A window that far off every screen falls back to the default place, without arithmetic on
    // its corners overflowing.
    void windowPositionAtTheLimitsOfInt()
    {
        for (const char *xy : { "2147483647\nwindowy=2147483647",
                 "-2147483648\nwindowy=-2147483648", "2147483000\nwindowy=26" }) {
            WorkDir dir;
            dir.writeFile(AppSettings::fileName(), QByteArray("[General]\nwindowx=") + xy + "\n");
            QVERIFY2(windowAtDefaultPlace(), xy);
        }
    }

    // fuzz_settings: a recent-file update rewrites this file so that a serialized value appears
    // in the middle of a value. From then on the file is not used: the list reads back empty.
    void settingsFoundByFuzzing()
    {
        WorkDir dir;
        dir.writeFile("settings.ini",
            "[G[n]\nlr[Geanerl]\nwindowx=100\nearecentFileList=\"a, b.uss\", \"c\\\"d.uss\", "
            "@\\0valid()\nwindowx=FileList=\"a, b.uss\", \"c\\\"d.uss\", @\\0valid()\n"
            "windowx=@@Variant(\\0\\0\\\nrecentDileList=\"windo,y=50\nrecentFwindowx=100\n"
            "windowy=50\nrecentFileLisawx=@Vt=/sari");
        const auto [written, reread]
            = Reference::recentFileUpdate(QStringLiteral("/snapshots/loaded game.uss"));
        QCOMPARE(reread,
            IniSafety::usablePath(AppSettings::fileName()).isEmpty() ? QStringList() : written);
    }

    // The program's own files and ordinary paths are still read.
    void iniTextsWithoutSerializedValues()
    {
        for (const char *text : { "[General]\nbitplaneorder=0, 1, 2\nreverse=true\n",
                 "defaultussdir=@@Variant(x)\n", "recentFileList=/home/me@host/Variant(1).uss\n",
                 "defaultussdir=C:\\\\games\\x41\n" })
            QVERIFY2(!IniSafety::holdsSerializedValue(text), text);
    }
};

QTEST_MAIN(TestPersist)
#include "tst_persist.moc"
