#include "chunks.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace Chunks {

namespace {

constexpr std::int64_t HeaderSize = 8; // tag and length; the flags word is never read

// The next tag lies at the smallest multiple of 4 above the length, computed as the format's
// writers do it: in 32 bits, so lengths from 2^32 - 4 give a step of 0.
std::uint32_t stepAfter(std::uint32_t length)
{
    return (length + 4u) & ~3u;
}

} // namespace

std::int64_t dataSize(const RipperState &state)
{
    return std::clamp<std::int64_t>(state.filesize, 0, std::int64_t(state.fileData.size()));
}

int findChunk(const RipperState &state, const char *tag)
{
    if (!tag || std::strlen(tag) != 4)
        return -1;
    const std::int64_t size = dataSize(state);
    const std::uint8_t *data = state.bytes();
    std::int64_t position = 0;
    while (position < size) {
        // A header cut off by the end of the file is no chunk.
        if (size - position < HeaderSize)
            return -1;
        const std::uint8_t *header = data + position;
        if (std::memcmp(header, tag, 4) == 0)
            return int(position);
        const std::uint32_t step = stepAfter(qFromBigEndian<std::uint32_t>(header + 4));
        // A damaged length must not stall the walk; one that jumps past the end ends it below.
        if (step == 0)
            return -1;
        position += step;
    }
    return -1;
}

std::optional<ChipRam> chipRam(const RipperState &state)
{
    const int tag = findChunk(state, "CRAM");
    if (tag < 0)
        return std::nullopt;
    constexpr std::int64_t DataOffset = 12; // tag, length and flags come first
    const std::int64_t length = qFromBigEndian<std::uint32_t>(state.bytes() + tag + 4);
    const std::int64_t first = tag + DataOffset;
    const std::int64_t size = std::min(length - DataOffset, dataSize(state) - first);
    if (size <= 0)
        return std::nullopt;
    return ChipRam { first, size };
}

} // namespace Chunks
