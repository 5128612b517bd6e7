#pragma once

#include <cstdint>

// Planar-to-chunky conversion of 16 pixel groups (128 pixels) at once with SSE2, where the
// machine has it. Bit j of each colour index comes from the plane bytes at src[j] (null: 0).
namespace PlanarSimd {

enum class Layout {
    Bytes, // one byte per group: src[j][t]
    EvenBytes, // every other byte ("C+"): src[j][2t]
    Nibbles, // two nibbles per group ("C-"): src[j][2t] and src[j][2t + 1]
};

struct Block
{
    Layout layout = Layout::Bytes;
    const std::uint8_t *src[8] = {};
    bool lowNibble[8] = {}; // "Nibbles": odd planes read the low nibbles
};

// Whether this build and this processor can run decode16Groups, and whether it is switched on.
bool available();
// Switches the SIMD path off and on (tests compare it with the scalar path).
void setEnabled(bool enabled);
bool enabled();

// Writes the 128 colour indices of the block to out[0..127]. Reads 16 bytes per plane for
// "Bytes" and 32 for the others.
void decode16Groups(const Block &block, std::uint8_t *out);

} // namespace PlanarSimd
