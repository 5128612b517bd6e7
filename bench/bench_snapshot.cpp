// Opening a snapshot: the raw read of an uncompressed save, the read and expansion of the same
// state saved compressed, and the floor of just inflating its streams into ready buffers.
#include "snapshotfile.h"
#include "snapshotwriter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <random>
#include <zlib.h>

namespace {

constexpr int ChipSize = 2 << 20;
constexpr int FastSize = 8 << 20;
constexpr int Page = 4096;

// Memory as a running machine leaves it: most pages zero, some pictures (bitplanes of stripes
// and gradients), the rest code-like (a few common opcodes with random operands).
QByteArray memoryImage(int size, std::uint32_t seed)
{
    QByteArray memory(size, '\0');
    std::mt19937 random(seed);
    const std::uint16_t opcodes[] = { 0x4E75, 0x2F00, 0x41F9, 0x6600, 0x4EB9, 0x302E, 0x7000,
        0x4A80, 0x6700, 0x2040, 0xD080, 0x0C40 };
    for (int page = 0; page < size / Page; ++page) {
        char *p = memory.data() + page * Page;
        const unsigned kind = random() % 10;
        if (kind < 6)
            continue; // zero page
        if (kind < 8) {
            for (int i = 0; i < Page; ++i)
                p[i] = char((i / 40 + page) % 7 == 0 ? 0xFF : (i * 3 + page) & 0xF0);
            continue;
        }
        for (int i = 0; i + 4 <= Page; i += 4) {
            const std::uint16_t op = opcodes[random() % std::size(opcodes)];
            const auto operand = std::uint16_t(random() % 5 == 0 ? random() : random() % 64);
            p[i] = char(op >> 8), p[i + 1] = char(op), p[i + 2] = char(operand >> 8),
            p[i + 3] = char(operand);
        }
    }
    return memory;
}

struct Files
{
    QString raw = QStringLiteral("bench-raw.uss");
    QString compressed = QStringLiteral("bench-compressed.uss");
    std::vector<std::pair<QByteArray, int>> streams; // zlib stream and its uncompressed size
    qint64 expandedSize = 0;
};

const Files &files()
{
    static const Files made = [] {
        Files f;
        SnapshotWriter::ChunkChain chain;
        chain.add("ASF ", SnapshotWriter::bigEndian32(0) + QByteArray("UAE\0006.1.0\0\0", 11));
        chain.add("CHIP", SnapshotWriter::chipData({}));
        chain.add("CRAM", memoryImage(ChipSize, 1));
        chain.add("FRAM", memoryImage(FastSize, 2));
        chain.end();
        const QByteArray compressed = SnapshotWriter::compressChunks(chain.bytes());
        for (const auto &[path, bytes] :
            { std::pair { f.raw, chain.bytes() }, std::pair { f.compressed, compressed } }) {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                qFatal("cannot write %s", qPrintable(path));
        }
        f.expandedSize = chain.bytes().size();
        for (const char *tag : { "CRAM", "FRAM" }) {
            const qsizetype at = compressed.indexOf(tag);
            const auto *p = reinterpret_cast<const uchar *>(compressed.constData() + at);
            const int length = p[4] << 24 | p[5] << 16 | p[6] << 8 | p[7];
            const int unpacked = p[12] << 24 | p[13] << 16 | p[14] << 8 | p[15];
            f.streams.push_back({ compressed.mid(at + 16, length - 16), unpacked });
        }
        return f;
    }();
    return made;
}

void open(benchmark::State &state, const QString &path)
{
    const Files &f = files();
    for (auto _ : state) {
        auto read = SnapshotFile::read(path);
        if (!read.bytes || qint64(read.bytes->size()) != f.expandedSize) {
            state.SkipWithError("the snapshot did not open whole");
            break;
        }
        benchmark::DoNotOptimize(read.bytes->data());
    }
    state.SetBytesProcessed(state.iterations() * f.expandedSize);
    state.counters["file_bytes"] = double(QFileInfo(path).size());
}

void BM_OpenRaw(benchmark::State &state)
{
    open(state, files().raw);
}

void BM_OpenCompressed(benchmark::State &state)
{
    open(state, files().compressed);
}

void BM_InflateFloor(benchmark::State &state)
{
    const Files &f = files();
    std::vector<std::vector<Bytef>> buffers;
    for (const auto &stream : f.streams)
        buffers.emplace_back(std::size_t(stream.second));
    for (auto _ : state) {
        for (std::size_t i = 0; i < f.streams.size(); ++i) {
            uLongf size = uLongf(buffers[i].size());
            const QByteArray &in = f.streams[i].first;
            if (uncompress(buffers[i].data(), &size, reinterpret_cast<const Bytef *>(in.data()),
                    uLong(in.size()))
                != Z_OK)
                state.SkipWithError("uncompress failed");
            benchmark::DoNotOptimize(buffers[i].data());
        }
    }
    state.SetBytesProcessed(state.iterations() * f.expandedSize);
}

// A snapshot with 512 MiB of fast RAM, both saves, in a temporary directory for the run.
struct LargeFiles
{
    QTemporaryDir dir;
    QString raw = dir.filePath(QStringLiteral("large-raw.uss"));
    QString compressed = dir.filePath(QStringLiteral("large-compressed.uss"));
};

const LargeFiles &largeFiles()
{
    static const LargeFiles made = [] {
        LargeFiles f;
        SnapshotWriter::ChunkChain chain;
        chain.add("ASF ", SnapshotWriter::bigEndian32(0) + QByteArray("UAE\0006.1.0\0\0", 11));
        chain.add("CRAM", memoryImage(ChipSize, 1));
        chain.add("FRAM", memoryImage(512 << 20, 3));
        chain.end();
        for (const auto &[path, bytes] : { std::pair { f.raw, chain.bytes() },
                 std::pair { f.compressed, SnapshotWriter::compressChunks(chain.bytes()) } }) {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                qFatal("cannot write %s", qPrintable(path));
        }
        return f;
    }();
    return made;
}

// The window stays responsive while it opens: what counts is the longest stretch between two
// progress reports, when the progress dialog gets to process events.
void openLarge(benchmark::State &state, const QString &path)
{
    using Clock = std::chrono::steady_clock;
    double longestGapMs = 0;
    for (auto _ : state) {
        Clock::time_point last = Clock::now();
        const auto report = [&](std::int64_t, std::int64_t) {
            const Clock::time_point now = Clock::now();
            longestGapMs = std::max(
                longestGapMs, std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
            return true;
        };
        auto read = SnapshotFile::read(path, report);
        if (!read.bytes) {
            state.SkipWithError("the snapshot did not open");
            break;
        }
        benchmark::DoNotOptimize(read.bytes->data());
    }
    state.counters["longest_gap_ms"] = longestGapMs;
}

void BM_OpenLargeRaw(benchmark::State &state)
{
    openLarge(state, largeFiles().raw);
}

void BM_OpenLargeCompressed(benchmark::State &state)
{
    openLarge(state, largeFiles().compressed);
}

} // namespace

BENCHMARK(BM_OpenLargeRaw)
    ->Name("OpenSnapshot/large-raw")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_OpenLargeCompressed)
    ->Name("OpenSnapshot/large-compressed")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_OpenRaw)->Name("OpenSnapshot/raw")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCompressed)->Name("OpenSnapshot/compressed")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateFloor)->Name("Inflate/floor")->Unit(benchmark::kMillisecond);
