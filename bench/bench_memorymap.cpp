// The memory map: computing the overview of a 512 MiB snapshot against one plain pass over the
// same bytes, and drawing the visible map against turning an image of its size into a pixmap.
#include "memoryoverview.h"

#include <QPixmap>
#include <QtEndian>
#include <benchmark/benchmark.h>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

namespace {

constexpr std::int64_t Size = std::int64_t(512) << 20;
constexpr int Page = 4096;
const QSize Visible(256, 800);

// Memory as a machine leaves it, page by page: half zero, then bitplane stripes, text, and
// code-like bytes.
void fillMemory(std::uint8_t *p, std::int64_t size, std::uint32_t seed)
{
    std::uint32_t x = seed | 1;
    const auto next = [&x] {
        return x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    };
    static const char text[] = "The quick brown fox jumps over the lazy dog. 0123456789 ";
    for (std::int64_t page = 0; page * Page < size; ++page) {
        std::uint8_t *q = p + page * Page;
        const int n = int(std::min<std::int64_t>(Page, size - page * Page));
        switch (next() % 8) {
        case 0:
        case 1:
            for (int i = 0; i < n; ++i)
                q[i] = std::uint8_t((i / 40 + page) % 7 == 0 ? 0xFF : (i * 3 + page) & 0xF0);
            break;
        case 2:
            for (int i = 0; i < n; ++i)
                q[i] = std::uint8_t(text[(i + page) % (sizeof text - 1)]);
            break;
        case 3:
            for (int i = 0; i < n; ++i)
                q[i] = std::uint8_t(i % 4 < 2 ? 0x4E : next());
            break;
        default:
            std::memset(q, 0, std::size_t(n));
        }
    }
}

std::int64_t putChunk(
    std::vector<std::uint8_t> &file, std::int64_t at, const char *tag, std::int64_t dataSize)
{
    std::memcpy(file.data() + at, tag, 4);
    qToBigEndian(std::uint32_t(dataSize + 12), file.data() + at + 4);
    fillMemory(file.data() + at + 12, dataSize, std::uint32_t(at + 7));
    return at + ((dataSize + 12 + 4) & ~std::int64_t(3));
}

// "ASF ", "CPU ", "CHIP", 2 MiB "CRAM", 512 KiB "BRAM", the rest "FRAM", "END ".
const RipperState &snapshot()
{
    static const RipperState state = [] {
        RipperState s;
        s.fileData.assign(std::size_t(Size), 0);
        std::int64_t at = putChunk(s.fileData, 0, "ASF ", 20);
        at = putChunk(s.fileData, at, "CPU ", 100);
        at = putChunk(s.fileData, at, "CHIP", 516);
        at = putChunk(s.fileData, at, "CRAM", 2 << 20);
        at = putChunk(s.fileData, at, "BRAM", 512 << 10);
        at = putChunk(s.fileData, at, "FRAM", Size - at - 12 - 8 - 4);
        std::memcpy(s.fileData.data() + at, "END \0\0\0\x08", 8);
        s.filesize = int(Size);
        s.fileLoaded = true;
        return s;
    }();
    return state;
}

// The floor: every byte read once and summed, 16 at a time, reading ahead as the overview does
// (without that the sum is slower still).
std::uint64_t byteSum(const std::uint8_t *p, std::int64_t size)
{
    std::uint64_t total = 0;
    std::int64_t i = 0;
#if defined(__SSE2__)
    __m128i sum = _mm_setzero_si128();
    for (; i + 64 <= size; i += 64) {
        _mm_prefetch(reinterpret_cast<const char *>(p) + std::min(i + 2048, size - 1), _MM_HINT_T0);
        for (int j = 0; j < 64; j += 16)
            sum = _mm_add_epi64(sum,
                _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i + j)),
                    _mm_setzero_si128()));
    }
    total = std::uint64_t(_mm_cvtsi128_si64(sum))
        + std::uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sum, sum)));
#endif
    for (; i < size; ++i)
        total += p[i];
    return total;
}

void BM_OnePass(benchmark::State &state)
{
    const RipperState &s = snapshot();
    for (auto _ : state)
        benchmark::DoNotOptimize(byteSum(s.bytes(), Size));
    state.SetBytesProcessed(state.iterations() * Size);
}

void BM_Overview(benchmark::State &state, int blockBytes)
{
    const RipperState &s = snapshot();
    for (auto _ : state) {
        const MemoryMap::Overview o = MemoryMap::compute(
            s.bytes(), Size, [](qint64, qint64) { return true; }, blockBytes);
        benchmark::DoNotOptimize(o.levels.data());
    }
    state.SetBytesProcessed(state.iterations() * Size);
}

const MemoryMap::Overview &overview()
{
    static const MemoryMap::Overview o = MemoryMap::compute(snapshot());
    return o;
}

// Screens, a Copper list, sprites and the view in chip RAM, and a screen kept in fast RAM.
std::vector<MemoryMap::Overlay> overlays()
{
    const std::int64_t chip = overview().bands[3].first + 12;
    std::vector<MemoryMap::Overlay> list {
        { chip + 0x48000, chip + 0x48000 + 5 * 8000 - 1, MemoryMap::DisplayedScreen, "screen 1",
            40 },
        { chip + 0x52000, chip + 0x52000 + 2 * 1920 - 1, MemoryMap::DisplayedScreen, "screen 2",
            40 },
        { chip + 0x1000, chip + 0x10FF, MemoryMap::CopperList, "Copper list", 0 },
        { 200 << 20, (200 << 20) + 64000 - 1, MemoryMap::MemoryScreen, "picture", 40 },
        { chip + 0x48000, chip + 0x48000 + 8000 - 1, MemoryMap::View, "view", 0 },
    };
    for (int i = 0; i < 8; ++i)
        list.push_back({ chip + 0x3000 + 0x100 * i, chip + 0x3000 + 0x100 * i + 67,
            MemoryMap::Sprite, QStringLiteral("sprite %1").arg(i), 4 });
    return list;
}

// `perPixel` 0: the whole file in view.
MemoryMap::Layout layoutOf(std::int64_t perPixel, std::int64_t firstRow)
{
    const int width = Visible.width() - MemoryMap::BandColumn;
    return { perPixel ? perPixel : MemoryMap::fittingBytesPerPixel(Size, width, Visible.height()),
        width, firstRow };
}

void BM_Redraw(benchmark::State &state, std::int64_t perPixel, std::int64_t firstRow)
{
    const MemoryMap::Layout layout = layoutOf(perPixel, firstRow);
    const std::vector<MemoryMap::Overlay> marks = overlays();
    for (auto _ : state) {
        QImage image = MemoryMap::render(overview(), layout, Visible, marks, snapshot());
        benchmark::DoNotOptimize(image.constBits());
    }
}

// A pixmap of the map: the image already is in the pixmap's format, so the pixmap only shares it.
// Next to it, one of a fresh copy (the least a new image costs) and one that needs converting.
void BM_FromImage(benchmark::State &state, int how)
{
    const QImage map
        = MemoryMap::render(overview(), layoutOf(0, 0), Visible, overlays(), snapshot());
    const QImage image = how == 2 ? map.convertToFormat(QImage::Format_ARGB32) : map;
    for (auto _ : state) {
        QPixmap pixmap = how == 1 ? QPixmap::fromImage(image.copy()) : QPixmap::fromImage(image);
        benchmark::DoNotOptimize(pixmap.cacheKey());
    }
}

} // namespace

BENCHMARK(BM_OnePass)->Name("MemoryMap/one-pass-512MiB")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Overview, default, MemoryMap::DefaultBlockBytes)
    ->Name("MemoryMap/overview-512MiB")
    ->Unit(benchmark::kMillisecond);
// The other block sizes, for the choice of the default.
BENCHMARK_CAPTURE(BM_Overview, 64, 64)
    ->Name("MemoryMap/overview-512MiB-block64")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Overview, 1024, 1024)
    ->Name("MemoryMap/overview-512MiB-block1024")
    ->Unit(benchmark::kMillisecond);
// The whole file in view; chip RAM at a byte per pixel; 3 blocks per pixel, between two levels.
BENCHMARK_CAPTURE(BM_Redraw, whole, std::int64_t(0), std::int64_t(0))
    ->Name("MemoryMap/redraw")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Redraw, bytes, std::int64_t(1), std::int64_t(40))
    ->Name("MemoryMap/redraw-bytes")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(
    BM_Redraw, between, std::int64_t(3 * MemoryMap::DefaultBlockBytes), std::int64_t(0))
    ->Name("MemoryMap/redraw-between")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FromImage, shared, 0)
    ->Name("MemoryMap/fromImage")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FromImage, copy, 1)
    ->Name("MemoryMap/fromImage-copy")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FromImage, argb32, 2)
    ->Name("MemoryMap/fromImage-argb32")
    ->Unit(benchmark::kMicrosecond);
