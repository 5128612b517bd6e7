#pragma once

#include "ripperstate.h"

#include <QImage>
#include <cstdint>

// Bitplane decoding. `pixelValue` is the literal, one-pixel-at-a-time definition and the
// reference every faster path is tested against; `drawPicture` is what the program draws with.
namespace Decoder {

// Colour index of pixel (x, y) of the picture whose data starts at `position`.
int pixelValue(const RipperState &state, std::int64_t position, int x, int y);

// Draws one picture into an 8-bit indexed image with its top-left pixel at (left, top).
void drawPicture(const RipperState &state, QImage &dest, std::int64_t position, int left, int top);

// The same picture, every pixel through pixelValue. Kept as the reference for tests and
// benchmarks.
void drawPictureLiteral(
    const RipperState &state, QImage &dest, std::int64_t position, int left, int top);

} // namespace Decoder
