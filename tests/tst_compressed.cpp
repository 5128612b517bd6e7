// Snapshots saved with compressed chunks: the expanded image, bad data, the status-bar summary,
// and the window, state files and exporter giving the same results as on the uncompressed save.
#include "demosnapshot.h"
#include "snapshotexpansion.h"
#include "snapshotfile.h"
#include "testsnapshot.h"
#include "windowfixture.h"

#include <QLabel>
#include <QProcess>
#include <QSettings>
#include <QTest>

using SnapshotWriter::bigEndian32;

namespace {

QByteArray pattern(int size, int seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + seed) ^ (i >> 3));
    return bytes;
}

// A compressed chunk as the emulator writes it with compression off, spelled out.
QByteArray expandedChunk(const QByteArray &tag, const QByteArray &data, std::uint32_t flags)
{
    return tag + bigEndian32(std::uint32_t(data.size() + 12)) + bigEndian32(flags & ~1u) + data
        + QByteArray(4 - (data.size() & 3), '\0');
}

const QByteArray Asf = bigEndian32(0) + QByteArray("UAE\0006.1.0\0\0", 11);
const QByteArray End = QByteArray("END ") + bigEndian32(8);

// "ASF ", "CHIP" with chipset `flags`, "CRAM" of `chipSize` bytes, "END ".
QByteArray snapshot(std::uint32_t flags, int chipSize, bool compressed)
{
    QByteArray chip = SnapshotWriter::chipData({ 0x0F00, 0x00F0 });
    chip.replace(0, 4, bigEndian32(flags));
    TestSnapshot::Builder b;
    b.add("ASF ", Asf);
    b.add("CHIP", chip);
    b.add("CRAM", pattern(chipSize, 1));
    b.end();
    return compressed ? SnapshotWriter::compressChunks(b.bytes()) : b.bytes();
}

} // namespace

class TestCompressed : public QObject
{
    Q_OBJECT

private slots:
    // A stored chunk, compressed ones of the given sizes (the first with `flags`), then a
    // compressed "CONF" after the first "END " and stray bytes after the second.
    void expansion_data()
    {
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<bool>("withEnd");
        QTest::newRow("U % 4 = 0") << QList<int> { 4096 } << 1u << true;
        QTest::newRow("U % 4 = 1, other flag bits kept") << QList<int> { 4097 } << 0x31u << true;
        QTest::newRow("U % 4 = 2, empty data") << QList<int> { 4098, 0 } << 1u << true;
        QTest::newRow("U % 4 = 3, two chunks") << QList<int> { 4099, 77 } << 0x80000001u << true;
        QTest::newRow("no END: raw bytes") << QList<int> { 100 } << 1u << false;
    }
    void expansion()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(uint, flags);
        QFETCH(bool, withEnd);
        SnapshotWriter::ChunkChain in;
        in.add("ASF ", Asf);
        in.add("CIAA", "abc");
        QByteArray expected = in.bytes();
        for (int i = 0; i < sizes.size(); ++i) {
            const QByteArray tag = i == 0 ? "CRAM" : "FRAM";
            in.addCompressed(tag, pattern(sizes[i], i), i == 0 ? flags : 1);
            expected += expandedChunk(tag, pattern(sizes[i], i), i == 0 ? flags : 1);
        }
        if (withEnd) {
            in.end();
            in.addCompressed("CONF", "chipset=aga\n");
            in.end();
            expected += End + expandedChunk("CONF", "chipset=aga\n", 1) + End + "tail";
        }
        const QByteArray file = in.bytes() + (withEnd ? "tail" : "");
        WorkDir dir;
        const SnapshotFile::ReadResult read = SnapshotFile::read(dir.writeFile("s.uss", file));
        QVERIFY(read.bytes);
        QCOMPARE(read.expanded, withEnd);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(read.bytes->data()),
                     qsizetype(read.bytes->size())),
            withEnd ? expected : file);
    }

    // Each bad file leaves the loaded snapshot, title and recent list as they were.
    void badData_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("problem");
        const QByteArray good = snapshot(0, 4096, true);
        const int cram = int(good.indexOf("CRAM"));
        const auto with = [&](int at, const QByteArray &bytes) {
            return good.left(at) + bytes + good.mid(at + bytes.size());
        };
        const QString chunk = QStringLiteral("chunk CRAM at %1: ").arg(cram);
        SnapshotWriter::ChunkChain cut; // a whole chain whose stream lacks its last 6 bytes
        cut.add("ASF ", Asf);
        cut.add("CRAM", bigEndian32(4096) + qCompress(pattern(4096, 1)).mid(4).chopped(6), 1);
        cut.end();
        SnapshotWriter::ChunkChain huge; // refused before its stream is looked at
        huge.add("ASF ", Asf);
        huge.add("CRAM", bigEndian32(0x7FFFFFF0) + QByteArray(2100000, '\0'), 1);
        huge.end();
        const QList<std::tuple<const char *, QByteArray, QString>> rows {
            { "cut in the stream", good.left(cram + 40), chunk + "compressed data ends early" },
            { "stream cut, length agrees", cut.bytes(),
                "chunk CRAM at 28: compressed data ends early" },
            { "corrupt stream", with(cram + 16, QByteArray(2, '\0')),
                chunk + "compressed data is corrupt (unknown compression method)" },
            { "fewer bytes than U", with(cram + 12, bigEndian32(5000)),
                chunk + "compressed data gives 4096 bytes, not the 5000 declared" },
            { "more bytes than U", with(cram + 12, bigEndian32(100)),
                chunk + "compressed data holds more than the 100 bytes declared" },
            { "2 GB from a tiny stream", with(cram + 12, bigEndian32(0x7FFFFFF0)),
                chunk + "declares 2147483632 bytes, more than 2110 compressed bytes can hold" },
            { "over 2^31 - 1 bytes", huge.bytes(),
                "chunk CRAM at 28: expanded snapshot would exceed 2147483647 bytes" },
            { "no room for U", with(cram + 4, bigEndian32(14)),
                chunk + "length 14 leaves no room for the uncompressed size" },
            { "good file, progress cancelled", good, QString() },
        };
        for (const auto &[name, file, problem] : rows)
            QTest::newRow(name) << file << problem;
    }
    void badData()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, problem);
        WindowFixture f(snapshot(4, 4096, true));
        const auto before = f.state().fileData;
        const QString title = f.window.windowTitle();
        if (problem.isEmpty())
            f.prompts.cancelAfterUpdates = f.prompts.progressUpdates;
        f.window.loadSnapshot(f.dir.writeFile(QStringLiteral("bad.uss"), file));
        QCOMPARE(f.boxes(),
            problem.isEmpty() ? QStringList()
                              : QStringList { "File error: Can't open file!\n" + problem });
        QVERIFY(f.state().fileData == before);
        QCOMPARE(f.window.windowTitle(), title);
        QCOMPARE(
            QSettings("settings.ini", QSettings::IniFormat).value("recentFileList").toStringList(),
            QStringList { f.snapshotPath });
    }

    // The summary for each kind of file, and the chip address of offsets around CRAM's data.
    void statusBar_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("delta"); // from CRAM's first data byte; offset 0 without one
        QTest::addColumn<QString>("text");
        const QByteArray aga = snapshot(7, 1 << 19, true);
        const QString summary = "UAE 6.1.0 · AGA · chip RAM 512 KiB · compressed save";
        QTest::newRow("OCS") << snapshot(0, 1 << 19, false) << -1
                             << "UAE 6.1.0 · OCS · chip RAM 512 KiB · uncompressed save";
        QTest::newRow("ECS") << snapshot(3, 1 << 19, true) << -1
                             << "UAE 6.1.0 · ECS · chip RAM 512 KiB · compressed save";
        QTest::newRow("ECS Agnus") << snapshot(1, 2 << 20, true) << -1
                                   << "UAE 6.1.0 · ECS Agnus · chip RAM 2048 KiB · compressed save";
        QTest::newRow("raw file") << pattern(3000, 0) << 0 << "raw file · 3000 bytes";
        QTest::newRow("AGA, before chip RAM") << aga << -1 << summary;
        QTest::newRow("at chip RAM") << aga << 0 << summary + " · chip $000000";
        QTest::newRow("inside") << aga << 0x1A2C0 << summary + " · chip $01A2C0";
        QTest::newRow("last byte") << aga << (1 << 19) - 1 << summary + " · chip $07FFFF";
        QTest::newRow("past") << aga << (1 << 19) << summary;
    }
    void statusBar()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, delta);
        QFETCH(QString, text);
        WindowFixture f(file);
        f.show(View().at(int(qMax<qsizetype>(0, file.indexOf("CRAM") + 12)) + delta));
        const auto *label = f.window.statusBar()->findChild<QLabel *>("labelSnapshotInfo");
        QCOMPARE(label->text(), text);
        const QString summary = text.section(" · chip $", 0, 0);
        QVERIFY(f.dir.readFile("logfile.html")
                    .endsWith("<span class=\"black\">" + summary.toUtf8().replace("·", "&middot;")
                        + "</span><br>\n"));
    }

    // The compressed demo opens as the uncompressed one: the same bytes, palettes from every
    // source, and state files saved on one showing the same pictures on the other.
    void sameAsUncompressed_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<bool>("savedOnCompressed");
        QTest::newRow("ECS, state saved on compressed") << int(RipperState::PaletteECS) << true;
        QTest::newRow("AGA, state saved on uncompressed") << int(RipperState::PaletteAGA) << false;
        QTest::newRow("Simple search") << int(RipperState::PaletteSimple) << true;
        QTest::newRow("Advanced search") << int(RipperState::PaletteAdvanced) << false;
    }
    void sameAsUncompressed()
    {
        QFETCH(int, source);
        QFETCH(bool, savedOnCompressed);
        const DemoSnapshot::Demo demo = DemoSnapshot::build();
        const QByteArray packed = SnapshotWriter::compressChunks(demo.bytes);
        WindowFixture saving(savedOnCompressed ? packed : demo.bytes);
        WindowFixture opening(savedOnCompressed ? demo.bytes : packed);
        QVERIFY(saving.state().fileData == opening.state().fileData);
        const DemoSnapshot::Picture &p = demo.pictures[source];
        saving.show(
            View().at(p.offset).size(p.widthBytes, p.height).planes(p.planes).inMode(p.mode));
        QRadioButton *radios[] = { saving.ui().radioPaletteSimple, saving.ui().radioPaletteAdvanced,
            saving.ui().radioPaletteECS, saving.ui().radioPaletteAGA };
        radios[source]->click();
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
    }

    // The exporter gives byte-identical images from both demo files, and the reason on bad data.
    void exporter()
    {
        WorkDir dir;
        const DemoSnapshot::Demo demo = DemoSnapshot::build();
        const QByteArray packed = SnapshotWriter::compressChunks(demo.bytes);
        dir.writeFile("demo.uss", demo.bytes);
        dir.writeFile("packed.uss", packed);
        dir.writeFile("bad.uss", packed.left(packed.indexOf("CRAM") + 100));
        const auto run = [](const QString &args) {
            QProcess process;
            process.start(QStringLiteral(PELVANE_EXPORT_TOOL), args.split(' '));
            process.waitForFinished(60000);
            return std::pair { process.exitCode(), process.readAllStandardError() };
        };
        for (const char *view : { "--screen 1", "--offset 60000 --planes 5 --palette simple" }) {
            QCOMPARE(run(QStringLiteral("%1 demo.uss a.png").arg(view)).first, 0);
            QCOMPARE(run(QStringLiteral("%1 packed.uss b.png").arg(view)).first, 0);
            QCOMPARE(dir.readFile("b.png"), dir.readFile("a.png"));
        }
        const auto [code, error] = run(QStringLiteral("bad.uss c.png"));
        QVERIFY(code == 2
            && error.endsWith("'bad.uss': chunk CRAM at "
                + QByteArray::number(packed.indexOf("CRAM")) + ": compressed data ends early\n"));
    }
};

QTEST_MAIN(TestCompressed)
#include "tst_compressed.moc"
