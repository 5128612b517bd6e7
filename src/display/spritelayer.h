#pragma once

#include "displaystate.h"
#include "spritedma.h"

#include <QRgb>
#include <array>
#include <cstdint>
#include <vector>

// The sprites of one line of the frame, over its playfields as BPLCON2 orders them.
namespace SpriteLayer {

// log2 of a ratio of 1, 2 or 4 pixels.
inline int shiftOf(int ratio)
{
    return ratio >= 4 ? 2 : ratio >= 2 ? 1 : 0;
}

// Playfield 1's pixel value (odd planes 1, 3, 5, 7) and playfield 2's (even planes).
inline int oddPlanes(int v)
{
    return (v & 1) | (v >> 1 & 2) | (v >> 2 & 4) | (v >> 3 & 8);
}
inline int evenPlanes(int v)
{
    return oddPlanes(v >> 1);
}

// AGA's BPLCON3 sets the sprites' resolution; a hires sprite starts where a lores one would.
int spritePixelsPerLores(const DisplayState &s);

// The colour bank (× 16) of the even or odd sprites: BPLCON4 on AGA, else 16.
int spriteBank(const DisplayState &s, bool odd);

struct Geometry
{
    int left = 0; // the window's first lores pixel of the beam
    int scale = 1; // frame pixels per lores pixel
    int width = 0; // frame pixels across
};

struct LineOut
{
    QRgb *rgb;
    std::int16_t *indices;
    std::int16_t *spriteAt; // the sprite entry drawn
};

// Per channel, each frame column's sprite pixel; then the front sprite of each column where the
// playfields' priorities let it show. `playfield` holds each column's bitplane value;
// `spriteBase` is the field's first entry in the frame's sprites; `scratch` is reused.
void draw(const DisplayState &s, const SpriteDma::Field &field, int line, const Geometry &g,
    const std::vector<std::uint8_t> &playfield, const std::array<QRgb, 256> &colours,
    int spriteBase, const LineOut &out, std::vector<std::uint8_t> &scratch);

} // namespace SpriteLayer
