#pragma once

#include "ripperstate.h"

#include <QImage>
#include <cstdint>
#include <optional>

// Bitplane decoding. `pixelValue` is the literal, one-pixel-at-a-time definition and the
// reference every faster path is tested against; `drawPicture` is what the program draws with.
namespace Decoder {

// Where one bitplane keeps one pixel: a byte of the snapshot and its bit (7 is the leftmost).
struct BitAddress
{
    std::int64_t byte = 0;
    int bit = 0;
};

// The byte and bit of pixel (x, y) in bitplane `plane` (memory order, before any reordering) of
// the picture at `position`, by the mode's address rule; nothing for an unknown mode. The byte
// may lie outside the snapshot, where the pixel reads as 0.
std::optional<BitAddress> planeBit(
    const RipperState &state, std::int64_t position, int plane, int x, int y);

// Colour index of pixel (x, y) of the picture whose data starts at `position`.
int pixelValue(const RipperState &state, std::int64_t position, int x, int y);

// Draws one picture into an 8-bit indexed image with its top-left pixel at (left, top).
void drawPicture(const RipperState &state, QImage &dest, std::int64_t position, int left, int top);

// The same picture, every pixel through pixelValue. Kept as the reference for tests and
// benchmarks.
void drawPictureLiteral(
    const RipperState &state, QImage &dest, std::int64_t position, int left, int top);

} // namespace Decoder
