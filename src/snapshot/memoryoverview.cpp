#include "memoryoverview.h"

#include "chunks.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

namespace MemoryMap {

namespace {

constexpr std::int64_t ProgressStep = std::int64_t(4) << 20;
constexpr std::int64_t ChunkHeader = 12; // tag, length, flags
constexpr QRgb Background = 0xFF202830;
constexpr QRgb Separator = 0xFF101010;

// A texture over `count` bytes from their sum and how many differ from the byte before.
Texture textureOf(std::uint64_t sum, std::uint64_t changes, std::uint64_t count)
{
    return { std::uint8_t((sum + count / 2) / count),
        std::uint8_t((changes * 255 + count / 2) / count) };
}

// A block with a byte before it (the first block has none): the SIMD path where there is one.
// Reading ahead of the hardware's own prefetching keeps the pass at the speed of a plain sum.
Texture fullBlock(
    const std::uint8_t *bytes, std::int64_t first, int count, int shift, std::int64_t size)
{
    const std::uint8_t *p = bytes + first;
#if defined(__SSE2__)
    constexpr std::int64_t Ahead = 2048;
    const __m128i zero = _mm_setzero_si128();
    __m128i sum = zero, same = zero; // same: per-lane count of equal neighbours, < 256 per block
    for (int i = 0; i < count; i += 64) {
        _mm_prefetch(reinterpret_cast<const char *>(bytes) + std::min(first + i + Ahead, size - 1),
            _MM_HINT_T0);
        for (int j = i; j < i + 64; j += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + j));
            const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + j - 1));
            sum = _mm_add_epi64(sum, _mm_sad_epu8(v, zero));
            same = _mm_sub_epi8(same, _mm_cmpeq_epi8(v, before));
        }
    }
    same = _mm_sad_epu8(same, zero);
    const auto total = std::uint64_t(_mm_cvtsi128_si64(sum))
        + std::uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sum, sum)));
    const auto equal = std::uint64_t(_mm_cvtsi128_si64(same))
        + std::uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(same, same)));
    const std::uint64_t changes = std::uint64_t(count) - equal;
    return { std::uint8_t((total + (std::uint64_t(count) >> 1)) >> shift),
        std::uint8_t((changes * 255 + (std::uint64_t(count) >> 1)) >> shift) };
#else
    std::uint64_t total = 0, changes = 0;
    for (int i = 0; i < count; ++i) {
        total += p[i];
        changes += p[i] != p[i - 1];
    }
    (void)shift, (void)size;
    return textureOf(total, changes, std::uint64_t(count));
#endif
}

// Any block, the byte before the file's first counting as equal to it.
Texture anyBlock(const std::uint8_t *bytes, std::int64_t first, std::int64_t count)
{
    std::uint64_t total = 0, changes = 0;
    for (std::int64_t i = first; i < first + count; ++i) {
        total += bytes[i];
        changes += i > 0 && bytes[i] != bytes[i - 1];
    }
    return textureOf(total, changes, std::uint64_t(count));
}

std::vector<Texture> halved(const std::vector<Texture> &level)
{
    std::vector<Texture> up((level.size() + 1) / 2);
    for (std::size_t j = 0; j < up.size(); ++j) {
        const Texture a = level[2 * j];
        const Texture b = 2 * j + 1 < level.size() ? level[2 * j + 1] : a;
        up[j] = { std::uint8_t((a.mean + b.mean + 1) / 2),
            std::uint8_t((a.change + b.change + 1) / 2) };
    }
    return up;
}

QString tagText(const std::uint8_t *tag)
{
    QString text;
    for (int i = 0; i < 4; ++i)
        text += QChar(tag[i] >= 0x20 && tag[i] < 0x7F ? char(tag[i]) : '?');
    return text;
}

} // namespace

Overview compute(
    const std::uint8_t *bytes, std::int64_t size, const Progress &progress, int blockBytes)
{
    Overview overview;
    blockBytes = std::clamp(blockBytes, 64, 2048);
    const int shift = blockShift(blockBytes);
    blockBytes = 1 << shift;
    overview.blockBytes = blockBytes;
    if (!bytes || size <= 0)
        return overview;
    std::vector<Texture> level((std::uint64_t(size) + std::uint64_t(blockBytes) - 1) >> shift);
    const std::int64_t fullBlocks = size >> shift;
    std::int64_t block = 0;
    for (std::int64_t done = 0; done < size;) {
        const std::int64_t until = std::min(size, done + ProgressStep);
        for (; block < fullBlocks && (block + 1) << shift <= until; ++block)
            level[std::size_t(block)] = block == 0
                ? anyBlock(bytes, 0, blockBytes)
                : fullBlock(bytes, block << shift, blockBytes, shift, size);
        if (until == size && block < std::int64_t(level.size()))
            level[std::size_t(block)] = anyBlock(bytes, block << shift, size - (block << shift));
        done = until;
        if (progress && !progress(done, size))
            return Overview {};
    }
    overview.fileSize = size;
    overview.levels.push_back(std::move(level));
    while (overview.levels.back().size() > 1)
        overview.levels.push_back(halved(overview.levels.back()));
    overview.bands = chunkBands(bytes, size);
    return overview;
}

Overview compute(const RipperState &state, const Progress &progress)
{
    return compute(state.bytes(), Chunks::dataSize(state), progress);
}

std::vector<Band> chunkBands(const std::uint8_t *bytes, std::int64_t size)
{
    std::vector<Band> bands;
    constexpr std::int64_t HeaderRead = 8; // tag and length
    if (!bytes || size < HeaderRead || std::memcmp(bytes, "ASF ", 4) != 0)
        return bands; // a raw file has no chain
    // Held to a count no real save reaches: a damaged chain can step by 4 bytes all along.
    constexpr std::size_t MaxBands = 1 << 16;
    for (std::int64_t position = 0; size - position >= HeaderRead && bands.size() < MaxBands;) {
        const std::uint32_t length = qFromBigEndian<std::uint32_t>(bytes + position + 4);
        // The next tag as the format's writers compute it: in 32 bits, 0 ends the walk.
        const std::uint32_t step = (length + 4u) & ~3u;
        std::int64_t end = position + std::max<std::int64_t>(length, HeaderRead);
        if (step != 0)
            end = std::min(end, position + std::int64_t(step));
        bands.push_back({ tagText(bytes + position), position, std::min(end, size) - 1 });
        if (step == 0)
            break;
        position += step;
    }
    return bands;
}

} // namespace MemoryMap
