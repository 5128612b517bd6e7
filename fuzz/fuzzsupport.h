#pragma once

#include "palette.h"
#include "ripperstate.h"

#include <QImage>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// Small helpers shared by the fuzz targets.
namespace FuzzSupport {

// A broken property is a finding: say which and abort so libFuzzer keeps the input.
inline void require(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

// A state with `bytes` as the loaded snapshot and a small canvas in the default palette.
inline RipperState loadedState(
    std::vector<std::uint8_t> bytes, int canvasWidth = 16, int canvasHeight = 16)
{
    RipperState state;
    state.canvas = QImage(canvasWidth, canvasHeight, QImage::Format_Indexed8);
    Palette::setDefaultPalette(state.canvas);
    state.fileData = std::move(bytes);
    state.fileData.shrink_to_fit(); // reads past the end then land outside the allocation
    state.filesize = int(state.fileData.size());
    state.fileLoaded = true;
    return state;
}

inline bool paletteComplete(const RipperState &state)
{
    return state.canvas.colorTable().size() == 256;
}

} // namespace FuzzSupport
