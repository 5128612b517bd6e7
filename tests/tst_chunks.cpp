#include "chunks.h"
#include "testsnapshot.h"

#include <QTest>

using namespace TestSnapshot;

namespace {

// Filler that a walk landing in it by mistake reads as a chunk with length 0xFFFFFFFF, which
// ends the walk: a wrong step shows up as "not found" instead of resynchronising.
QByteArray trap(qsizetype size)
{
    return QByteArray(size, char(0xFF));
}

// A chunk with the given length field whose body fills exactly the step the walk takes.
QByteArray chunkWithLength(const QByteArray &tag, std::uint32_t length)
{
    const qsizetype step = (length + 4u) & ~3u;
    return tag + bigEndian32(length) + bigEndian32(0) + trap(step - ChunkHeaderSize);
}

QByteArray chip()
{
    return Builder().addChunk("CHIP", QByteArray(8, '\0')).bytes();
}

} // namespace

class TestChunks : public QObject
{
    Q_OBJECT

private slots:
    void findChunk_data();
    void findChunk();
    void standardSnapshotTags_data();
    void standardSnapshotTags();
};

void TestChunks::findChunk_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("filesize"); // -1: the whole of `bytes`
    QTest::addColumn<QByteArray>("tag");
    QTest::addColumn<int>("expected");

    QTest::newRow("tag at 0") << chip() << -1 << QByteArray("CHIP") << 0;

    // Lengths 0..3 step 4: the next "tag" is the length field itself, whose own length (the
    // flags word, 12) leads on to byte 20.
    for (std::uint32_t length = 0; length < 4; ++length) {
        const QByteArray bytes
            = QByteArray("AAAA") + bigEndian32(length) + bigEndian32(12) + trap(8) + chip();
        QTest::addRow("length %u steps 4", length) << bytes << -1 << QByteArray("CHIP") << 20;
    }
    const std::pair<std::uint32_t, int> steps[]
        = { { 12, 16 }, { 15, 16 }, { 16, 20 }, { 17, 20 }, { 19, 20 }, { 20, 24 } };
    for (const auto &[length, step] : steps) {
        QTest::addRow("length %u steps %d", length, step)
            << chunkWithLength("AAAA", length) + chip() << -1 << QByteArray("CHIP") << step;
    }

    const QByteArray hidden
        = Builder().addChunk("DATA", QByteArray("xxxxCHIP") + bigEndian32(20)).addEnd().bytes();
    QTest::newRow("tag inside contents") << hidden << -1 << QByteArray("CHIP") << -1;
    const QByteArray lower = Builder().addChunk("chip", {}).addChunk("Chip", {}).addEnd().bytes();
    QTest::newRow("case matters") << lower << -1 << QByteArray("CHIP") << -1;
    QTest::newRow("next position is the size")
        << chunkWithLength("AAAA", 16) << -1 << QByteArray("CHIP") << -1;

    const QByteArray shortTail
        = chunkWithLength("AAAA", 12) + QByteArray("CHIP") + QByteArray(3, '\0');
    QTest::newRow("7 bytes left") << shortTail << -1 << QByteArray("CHIP") << -1;
    const QByteArray bareHeader = chunkWithLength("AAAA", 12) + "CHIP" + bigEndian32(8);
    QTest::newRow("8 bytes left") << bareHeader << -1 << QByteArray("CHIP") << 16;

    // In 32 bits these steps turn the position negative, send it back to 0 or leave it put.
    const std::uint32_t hostile[]
        = { 0x7FFFFFFC, 0x80000000, 0xFFFFFFEC, 0xFFFFFFFB, 0xFFFFFFFC, 0xFFFFFFFF };
    for (std::uint32_t length : hostile) {
        const QByteArray bytes
            = chunkWithLength("AAAA", 12) + "BBBB" + bigEndian32(length) + bigEndian32(0) + chip();
        QTest::addRow("length 0x%08X", length) << bytes << -1 << QByteArray("CHIP") << -1;
    }

    const QByteArray second = chunkWithLength("AAAA", 12) + chip();
    QTest::newRow("filesize 0") << chip() << 0 << QByteArray("CHIP") << -1;
    QTest::newRow("filesize cuts before") << second << 16 << QByteArray("CHIP") << -1;
    QTest::newRow("filesize cuts header") << second << 23 << QByteArray("CHIP") << -1;
    QTest::newRow("filesize holds header") << second << 24 << QByteArray("CHIP") << 16;
    QTest::newRow("filesize past data")
        << chunkWithLength("AAAA", 12) << 4096 << QByteArray("CHIP") << -1;
    QTest::newRow("first of two") << second + chip() << -1 << QByteArray("CHIP") << 16;
    QTest::newRow("short tag") << chip() << -1 << QByteArray("CHI") << -1;
}

void TestChunks::findChunk()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, filesize);
    QFETCH(QByteArray, tag);
    QFETCH(int, expected);

    RipperState state;
    loadInto(state, bytes);
    if (filesize >= 0)
        state.filesize = filesize;
    QCOMPARE(Chunks::findChunk(state, tag.constData()), expected);
}

void TestChunks::standardSnapshotTags_data()
{
    QTest::addColumn<bool>("aga");
    QTest::addColumn<QByteArray>("tag");

    for (bool aga : { false, true }) {
        for (const char *tag : { "ASF ", "CPU ", "CHIP", "AGAC", "CRAM", "END " })
            QTest::addRow("%s %s", aga ? "AGA" : "ECS", tag) << aga << QByteArray(tag);
    }
}

void TestChunks::standardSnapshotTags()
{
    QFETCH(bool, aga);
    QFETCH(QByteArray, tag);

    const QList<QRgb> agaColours = aga ? QList<QRgb>(256, qRgb(1, 2, 3)) : QList<QRgb>();
    const Builder builder = standardSnapshot(QByteArray(512 * 1024, '\x01'), {}, agaColours);
    RipperState state;
    loadInto(state, builder.bytes());
    QCOMPARE(Chunks::findChunk(state, tag.constData()), int(builder.chunkOffset(tag)));
}

QTEST_GUILESS_MAIN(TestChunks)
#include "tst_chunks.moc"
