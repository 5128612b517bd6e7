#pragma once

#include <cstdint>

// Planar-to-chunky conversion of a block of pixel groups at once: 16 groups (128 pixels) with
// SSE2, 32 with AVX2, 64 with AVX-512, picked at run time by what the processor has. Bit j of each
// colour index comes from the plane bytes at src[j] (null: 0).
namespace PlanarSimd {

enum class Layout {
    Bytes, // one byte per group: src[j][t]
    EvenBytes, // every other byte ("C+"): src[j][2t]
    Nibbles, // two nibbles per group ("C-"): src[j][2t] and src[j][2t + 1]
};

enum class Level { Scalar, Sse2, Avx2, Avx512 };

struct Block
{
    Layout layout = Layout::Bytes;
    const std::uint8_t *src[8] = {};
    bool lowNibble[8] = {}; // "Nibbles": odd planes read the low nibbles
};

// The best level this build and processor offer, and the level in use (at most the best).
Level available();
Level level();
// Caps the level in use; tests compare every level with the scalar path.
void setMaxLevel(Level cap);

// Groups per block at the level in use (0 for Scalar).
int groupsPerBlock();

// Writes the colour indices of one block (8 per group) to out. Reads groupsPerBlock() bytes per
// plane for "Bytes" and twice that for the others.
void decodeBlock(const Block &block, std::uint8_t *out);

// The kernels, one per instruction set.
void decodeBlockSse2(const Block &block, std::uint8_t *out);
void decodeBlockAvx2(const Block &block, std::uint8_t *out);
void decodeBlockAvx512(const Block &block, std::uint8_t *out);

} // namespace PlanarSimd
