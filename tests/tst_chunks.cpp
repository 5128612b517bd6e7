#include "chunks.h"
#include "testsnapshot.h"

#include <QTest>

using namespace TestSnapshot;

namespace {

// 0xFF filler: a walk that lands in it reads a length of 0xFFFFFFFF and ends, so a wrong step
// shows up as "not found" instead of resynchronising.
QByteArray chunk(const QByteArray &tag, std::uint32_t length)
{
    const qsizetype step = (length + 4u) & ~3u;
    return tag + bigEndian32(length) + bigEndian32(0) + QByteArray(step - 12, char(0xFF));
}

const QByteArray chip = chunk("CHIP", 20);

} // namespace

class TestChunks : public QObject
{
    Q_OBJECT

private slots:
    void findChunk_data();
    void findChunk();
    void chipRam_data();
    void chipRam();
};

void TestChunks::findChunk_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("filesize"); // -1: the whole of `bytes`
    QTest::addColumn<int>("expected");

    QTest::newRow("tag at 0") << chip << -1 << 0;
    // The length field is read as the next tag; its own length, the flags word 12, leads to 20.
    for (std::uint32_t length = 0; length < 4; ++length)
        QTest::addRow("length %u steps 4", length)
            << "AAAA" + bigEndian32(length) + bigEndian32(12) + QByteArray(8, '\xFF') + chip << -1
            << 20;
    for (auto [length, step] :
        { std::pair(12u, 16), std::pair(15u, 16), std::pair(16u, 20), std::pair(19u, 20) })
        QTest::addRow("length %u steps %d", length, step)
            << chunk("AAAA", length) + chip << -1 << step;
    QTest::newRow("tag inside contents")
        << chunk("DATA", 20).replace(12, 8, "xxxxCHIP") + chunk("END ", 12) << -1 << -1;
    QTest::newRow("case matters") << chunk("Chip", 12) + chunk("chip", 12) << -1 << -1;
    QTest::newRow("next position is the size") << chunk("AAAA", 16) << -1 << -1;
    QTest::newRow("7 bytes left") << chunk("AAAA", 12) + "CHIP" + QByteArray(3, '\0') << -1 << -1;
    QTest::newRow("8 bytes left") << chunk("AAAA", 12) + "CHIP" + bigEndian32(8) << -1 << 16;
    QTest::newRow("filesize 0") << chip << 0 << -1;
    QTest::newRow("filesize cuts the header") << chunk("AAAA", 12) + chip << 23 << -1;
    QTest::newRow("first of two") << chunk("AAAA", 12) + chip + chip << -1 << 16;
    // In 32 bits these steps turn the position negative, send it backwards or leave it put.
    for (std::uint32_t length : { 0x7FFFFFFCu, 0x80000000u, 0xFFFFFFECu, 0xFFFFFFFCu, 0xFFFFFFFFu })
        QTest::addRow("length 0x%08X", length)
            << chunk("AAAA", 12) + "BBBB" + bigEndian32(length) + bigEndian32(0) + chip << -1 << -1;
}

void TestChunks::findChunk()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, filesize);
    QFETCH(int, expected);

    RipperState state;
    loadInto(state, bytes);
    if (filesize >= 0)
        state.filesize = filesize;
    QCOMPARE(Chunks::findChunk(state, "CHIP"), expected);
}

void TestChunks::chipRam_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("first"); // -1: no chip RAM
    QTest::addColumn<qint64>("size");
    const QByteArray cram = chunk("CRAM", 12 + 100);
    QTest::newRow("whole") << chip + cram << qint64(36) << qint64(100);
    QTest::newRow("cut by the end") << chip + cram.left(50) << qint64(36) << qint64(38);
    QTest::newRow("no data") << chip + chunk("CRAM", 12) << qint64(-1) << qint64(0);
    QTest::newRow("length below the header") << chip + chunk("CRAM", 3) << qint64(-1) << qint64(0);
    QTest::newRow("no CRAM") << chip << qint64(-1) << qint64(0);
}

void TestChunks::chipRam()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, first);
    QFETCH(qint64, size);
    RipperState state;
    loadInto(state, bytes);
    const auto ram = Chunks::chipRam(state);
    QCOMPARE(ram ? ram->first : -1, first);
    QCOMPARE(ram ? ram->size : 0, size);
    if (ram)
        QVERIFY(ram->contains(first) && ram->contains(first + size - 1)
            && !ram->contains(first + size) && !ram->contains(first - 1));
}

QTEST_GUILESS_MAIN(TestChunks)
#include "tst_chunks.moc"
