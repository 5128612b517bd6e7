#pragma once

#include "decoder.h"
#include "ripperstate.h"

#include <QRgb>
#include <QString>
#include <cstdint>
#include <optional>

// What lies under a point of the canvas: which picture of the grid, which pixel of it, where
// bitplane 0 keeps that pixel in the snapshot and what colour it has.
namespace PointerReadout {

struct Hit
{
    int picture = 0; // its number in the grid, 0 at the offset, counted row by row
    std::int64_t position = 0; // its file position, as the grid draws it
    int x = 0; // the pixel inside the picture
    int y = 0;
};

// The drawn picture under canvas pixel (x, y); nothing over a gap, outside the grid or the
// canvas, or before a snapshot is loaded.
std::optional<Hit> pictureAt(const RipperState &state, int x, int y);

struct Readout
{
    Hit hit;
    std::optional<Decoder::BitAddress> plane0; // nothing for an unknown mode
    std::optional<std::int64_t> chipAddress; // when plane 0's byte lies in chip RAM
    int colour = 0;
    QRgb rgb = 0;
};

std::optional<Readout> readoutAt(const RipperState &state, int x, int y);

// "#3 @ 61200 · x 17 y 40 · byte 62817 bit 6 (chip $00F571) · colour 12 #A05020"
QString text(const Readout &readout);
// The readout's text for canvas pixel (x, y), empty where there is none.
QString textAt(const RipperState &state, int x, int y);

} // namespace PointerReadout
