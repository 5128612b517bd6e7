#pragma once

#include "copperwalk.h"
#include "displaystate.h"

// One field followed line by line from the top: the moves in effect on each line, which lines
// fetch bitplanes, and the screens those lines make.
namespace CopperWalk {

struct FieldLines
{
    std::vector<Screen> screens;
    std::array<std::int64_t, 8> advance {}; // how far each plane's pointer moved over the field
    int dmaLines = 0;
    bool runaway = false; // see Frame
    int runawayStart = 0;
    int runawayStop = 0;
};

// `top` is the state at the frame's top, `pointers` the bitplane pointers there; with `forceDma`
// the lines fetch whatever DMACON says.
FieldLines readLines(const DisplayState &top, const ListRun &run,
    const std::array<std::uint32_t, 8> &pointers, bool forceDma);

} // namespace CopperWalk
