// Snapshots saved with compressed chunks: the expanded image, bad data in the window and the
// exporter, the status-bar summary, and the window, state files and exporter giving the same
// results as on the uncompressed save.
#include "appsettings.h"
#include "demosnapshot.h"
#include "rows.h"
#include "snapshotfile.h"
#include "snapshotwriter.h"
#include "windowfixture.h"

#include <QLabel>
#include <QProcess>
#include <QTest>

using SnapshotWriter::bigEndian32;
using SnapshotWriter::compressChunks;

const auto pattern = WindowFixture::pattern;
const QByteArray Asf = bigEndian32(0) + QByteArray("UAE\0006.1.0\0\0", 11);
const QByteArray End = QByteArray("END ") + bigEndian32(8);

// A stored chunk spelled out: tag, length, flags, data, zero padding.
static QByteArray chunk(const QByteArray &tag, const QByteArray &data, std::uint32_t flags)
{
    return tag + bigEndian32(std::uint32_t(data.size() + 12)) + bigEndian32(flags) + data
        + QByteArray(4 - (data.size() & 3), '\0');
}

// "ASF ", "CHIP" with chipset `flags` (and no registers with `flagsOnly`), "CRAM" of `chipSize`
// bytes, "END ".
static QByteArray snapshot(
    std::uint32_t flags, int chipSize, bool compressed = true, bool flagsOnly = false)
{
    SnapshotWriter::ChunkChain b;
    b.add("ASF ", Asf);
    b.add("CHIP", bigEndian32(flags) + SnapshotWriter::chipData({}).mid(flagsOnly ? 9999 : 4));
    b.add("CRAM", pattern(chipSize));
    b.end();
    return compressed ? compressChunks(b.bytes()) : b.bytes();
}

// Exit code and stderr of pelvane-export run in the current directory.
static std::pair<int, QByteArray> exportTool(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(PELVANE_EXPORT_TOOL), args);
    process.waitForFinished(60000);
    return { process.exitCode(), process.readAllStandardError() };
}

class TestCompressed : public QObject
{
    Q_OBJECT

private slots:
    // A stored chunk, compressed ones of the given sizes (the first with `flags`), then a
    // compressed "CONF" after the first "END " and stray bytes after the second.
    void expansion_data()
    {
        Rows::columns<QList<int>, uint, bool>("sizes", "flags", "ended");
        QTest::newRow("U % 4 = 0") << QList<int> { 4096 } << 1u << true;
        QTest::newRow("U % 4 = 1, other flag bits kept") << QList<int> { 4097 } << 0x31u << true;
        QTest::newRow("U % 4 = 2, empty data") << QList<int> { 4098, 0 } << 1u << true;
        QTest::newRow("U % 4 = 3, two chunks") << QList<int> { 4099, 77 } << 0x80000001u << true;
        QTest::newRow("no END: raw bytes") << QList<int> { 100 } << 1u << false;
    }
    void expansion()
    {
        const auto [sizes, flags, ended]
            = Rows::fetch<QList<int>, uint, bool>("sizes", "flags", "ended");
        SnapshotWriter::ChunkChain in;
        in.add("ASF ", Asf);
        in.add("CIAA", "abc");
        QByteArray expected = in.bytes();
        for (int i = 0; i < sizes.size(); ++i) {
            const QByteArray tag = i == 0 ? "CRAM" : "FRAM";
            in.addCompressed(tag, pattern(sizes[i]), i == 0 ? flags : 1);
            expected += chunk(tag, pattern(sizes[i]), i == 0 ? flags & ~1u : 0);
        }
        if (ended) {
            in.end();
            in.addCompressed("CONF", "chipset=aga\n");
            in.end();
            expected += End + chunk("CONF", "chipset=aga\n", 0) + End + "tail";
        }
        const QByteArray file = in.bytes() + (ended ? "tail" : "");
        WorkDir dir;
        const SnapshotFile::ReadResult read = SnapshotFile::read(dir.writeFile("s.uss", file));
        const std::vector<std::uint8_t> want(
            ended ? expected.begin() : file.begin(), ended ? expected.end() : file.end());
        QVERIFY(read.expanded == ended && read.bytes == want);
    }

    // Bit 0 counts on any chunk, the first one too.
    void compressedFirstChunk()
    {
        SnapshotWriter::ChunkChain in;
        in.addCompressed("ASF ", Asf);
        in.end();
        WorkDir dir;
        const auto read = SnapshotFile::read(dir.writeFile("s.uss", in.bytes()));
        const QByteArray expected = chunk("ASF ", Asf, 0) + End;
        QVERIFY(read.expanded
            && read.bytes == std::vector<std::uint8_t>(expected.begin(), expected.end()));
    }

    // Each bad file leaves the loaded snapshot, title and recent list as they were. The problem
    // follows "chunk CRAM at <offset>: ".
    void badData_data()
    {
        Rows::columns<QByteArray, QString>("file", "problem");
        const QByteArray good = snapshot(0, 4096);
        const int cram = int(good.indexOf("CRAM"));
        const auto with = [&](int at, const QByteArray &bytes) {
            return good.left(at) + bytes + good.mid(at + bytes.size());
        };
        const auto storedCram = [&](const QByteArray &data) { // flagged compressed
            return good.left(cram) + chunk("CRAM", data, 1) + End;
        };
        QTest::newRow("cut in the stream") << good.left(cram + 40) << "compressed data ends early";
        QTest::newRow("stream cut, length agrees")
            << storedCram(bigEndian32(4096) + qCompress(pattern(4096)).mid(4).chopped(6))
            << "compressed data ends early";
        QTest::newRow("corrupt stream") << with(cram + 16,
            QByteArray(2, '\0')) << "compressed data is corrupt (unknown compression method)";
        QTest::newRow("fewer bytes than U") << with(cram + 12,
            bigEndian32(5000)) << "compressed data gives 4096 bytes, not the 5000 declared";
        QTest::newRow("more bytes than U") << with(cram + 12,
            bigEndian32(100)) << "compressed data holds more than the 100 bytes declared";
        QTest::newRow("2 GB, tiny stream")
            << with(cram + 12, bigEndian32(0x7FFFFFF0))
            << "declares 2147483632 bytes, more than 4107 compressed bytes can hold";
        QTest::newRow("over 2^31 - 1")
            << storedCram(bigEndian32(0x7FFFFFF0) + QByteArray(2100000, '\0'))
            << "expanded snapshot would exceed 2147483647 bytes";
        QTest::newRow("no room for U") << with(cram + 4, bigEndian32(14))
                                       << "length 14 leaves no room for the uncompressed size";
        QTest::newRow("good file, progress cancelled") << good << QString();
    }
    void badData()
    {
        const auto [file, problem] = Rows::fetch<QByteArray, QString>("file", "problem");
        WindowFixture f(snapshot(4, 4096));
        const auto before = f.state().fileData;
        const QString title = f.window.windowTitle();
        if (problem.isEmpty())
            f.prompts.cancelAfterUpdates = f.prompts.progressUpdates;
        f.window.loadSnapshot(f.dir.writeFile(QStringLiteral("bad.uss"), file));
        const QString line
            = QStringLiteral("chunk CRAM at %1: %2").arg(file.indexOf("CRAM")).arg(problem);
        QCOMPARE(f.boxes().join('|'),
            problem.isEmpty() ? QString() : "File error: Can't open file!\n" + line);
        QVERIFY(f.state().fileData == before && f.window.windowTitle() == title);
        QCOMPARE(SettingsFile().value(AppSettings::RecentFileList).toStringList(),
            QStringList { f.snapshotPath });
        const auto [code, error] = exportTool({ "bad.uss", "out.png" }); // the exporter's reason
        QCOMPARE(code, problem.isEmpty() ? 0 : 2);
        QVERIFY(problem.isEmpty() || error.endsWith("'bad.uss': " + line.toUtf8() + '\n'));
    }

    // The summary for each kind of file, and the chip address of offsets around CRAM's data.
    void statusBar_data()
    {
        // at: the offset from CRAM's first data byte, or from 0 without one
        Rows::columns<QByteArray, int, QString>("file", "at", "text");
        const QByteArray aga = snapshot(7, 1 << 19);
        const QString summary = "UAE 6.1.0 · AGA · chip RAM 512 KiB · compressed save";
        QTest::newRow("OCS") << snapshot(0, 1 << 19, false) << -1
                             << "UAE 6.1.0 · OCS · chip RAM 512 KiB · uncompressed save";
        QTest::newRow("ECS") << snapshot(3, 1 << 19) << -1
                             << "UAE 6.1.0 · ECS · chip RAM 512 KiB · compressed save";
        QTest::newRow("ECS Agnus") << snapshot(1, 2 << 20) << -1
                                   << "UAE 6.1.0 · ECS Agnus · chip RAM 2048 KiB · compressed save";
        QTest::newRow("raw file") << pattern(3000) << 0 << "raw file · 3000 bytes";
        QTest::newRow("AGA, before chip RAM") << aga << -1 << summary;
        QTest::newRow("flags alone") << snapshot(7, 1 << 19, true, true) << -1 << summary;
        QTest::newRow("at chip RAM") << aga << 0 << summary + " · chip $000000";
        QTest::newRow("inside") << aga << 0x1A2C0 << summary + " · chip $01A2C0";
        QTest::newRow("last byte") << aga << (1 << 19) - 1 << summary + " · chip $07FFFF";
        QTest::newRow("past") << aga << (1 << 19) << summary;
    }
    void statusBar()
    {
        const auto [file, at, text] = Rows::fetch<QByteArray, int, QString>("file", "at", "text");
        WindowFixture f(file);
        f.show(View().at(int(qMax<qsizetype>(0, file.indexOf("CRAM") + 12)) + at));
        QCOMPARE(f.window.statusBar()->findChild<QLabel *>("labelSnapshotInfo")->text(), text);
        const QByteArray summary
            = text.section(" · chip $", 0, 0).toUtf8().replace("·", "&middot;");
        QVERIFY(f.dir.readFile("logfile.html")
                    .endsWith("<span class=\"black\">" + summary + "</span><br>\n"));
    }

    // Rows: the palette source's radio button, and whether the state is saved on the compressed
    // demo (else on the uncompressed one). The compressed demo opens as the uncompressed one: the
    // same bytes, palettes from every source, state files saved on one showing the same pictures on
    // the other, and the exporter writing the same file from both with that state.
    void sameAsUncompressed_data()
    {
        Rows::columns<int, bool>("source", "savedOnPacked");
        QTest::newRow("radioPaletteECS") << int(RipperState::PaletteECS) << true;
        QTest::newRow("radioPaletteAGA") << int(RipperState::PaletteAGA) << false;
        QTest::newRow("radioPaletteSimple") << int(RipperState::PaletteSimple) << true;
        QTest::newRow("radioPaletteAdvanced") << int(RipperState::PaletteAdvanced) << false;
    }
    void sameAsUncompressed()
    {
        const auto [source, savedOnPacked] = Rows::fetch<int, bool>("source", "savedOnPacked");
        const DemoSnapshot::Demo demo = DemoSnapshot::build();
        const QByteArray packed = compressChunks(demo.bytes);
        WindowFixture saving(savedOnPacked ? packed : demo.bytes),
            opening(savedOnPacked ? demo.bytes : packed);
        QVERIFY(saving.state().fileData == opening.state().fileData);
        const DemoSnapshot::Picture &p = demo.pictures[source];
        saving.show(View { p.offset, p.widthBytes, p.height, p.planes, p.mode });
        saving.window.findChild<QRadioButton *>(QTest::currentDataTag())->click();
        saving.ui().buttonSearchPal->click();
        const QString plv = saving.dir.filePath(QStringLiteral("view.plv"));
        opening.prompts.answers << plv << plv; // the fixture made last answers for both
        QVERIFY(QMetaObject::invokeMethod(&saving.window, "saveState"));
        QVERIFY(QMetaObject::invokeMethod(&opening.window, "openState"));
        QCOMPARE(opening.boxes(), QStringList());
        QVERIFY(
            opening.state().palfound > 0 && opening.state().palfound == saving.state().palfound);
        QCOMPARE(opening.state().canvas.colorTable(), saving.state().canvas.colorTable());
        QCOMPARE(opening.shown(), saving.shown());
        // The exporter writes the same bytes from both with the saved state.
        for (const QString &uss : { saving.snapshotPath, opening.snapshotPath })
            QCOMPARE(exportTool({ "--state", plv, uss, uss + ".png" }).first, 0);
        QCOMPARE(opening.dir.readFile("test.uss.png"), saving.dir.readFile("test.uss.png"));
    }
};

QTEST_MAIN(TestCompressed)
#include "tst_compressed.moc"
