#pragma once

#include "ripperstate.h"

#include <cstdint>

// Chunk lookup in a loaded snapshot.
namespace Chunks {

// Number of snapshot bytes a reader may touch: `filesize`, held to what `fileData` holds.
std::int64_t dataSize(const RipperState &state);

// Position of the first chunk in the walk from byte 0 whose four-byte tag equals `tag`
// (exactly, case matters), or -1. Reads nothing outside the snapshot and always ends.
int findChunk(const RipperState &state, const char *tag);

} // namespace Chunks
