#pragma once

#include "ripperstate.h"

#include <cstdint>
#include <optional>

// Chunk lookup in a loaded snapshot.
namespace Chunks {

// Number of snapshot bytes a reader may touch: `filesize`, held to what `fileData` holds.
std::int64_t dataSize(const RipperState &state);

// Position of the first chunk in the walk from byte 0 whose four-byte tag equals `tag`
// (exactly, case matters), or -1. Reads nothing outside the snapshot and always ends.
int findChunk(const RipperState &state, const char *tag);

// Where chip RAM lies in the snapshot: the data of the "CRAM" chunk (its first byte is chip
// address 0), as far as the file holds it.
struct ChipRam
{
    std::int64_t first = 0; // file position of chip address 0
    std::int64_t size = 0;

    bool contains(std::int64_t position) const
    {
        return position >= first && position - first < size;
    }
};
std::optional<ChipRam> chipRam(const RipperState &state);

} // namespace Chunks
