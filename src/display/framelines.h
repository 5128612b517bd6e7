#pragma once

#include "copperwalk.h"
#include "displaystate.h"

#include <functional>

// One field followed line by line from the top: the moves in effect on each line, which lines
// fetch bitplanes, and the screens those lines make.
namespace CopperWalk {

struct FieldLines
{
    std::vector<Screen> screens;
    std::array<std::int64_t, 8> advance {}; // how far each plane's pointer moved over the field
    bool fetched = false; // some line fetched bitplanes
    bool runaway = false; // see Frame
    int runawayStart = 0;
    int runawayStop = 0;
};

// One line as the hardware shows it: the registers and colours in effect, the bitplane pointers
// it fetches from (when it fetches) and the screen it belongs to.
struct LineView
{
    int line = 0;
    const DisplayState &state;
    const std::array<std::uint32_t, 8> &pointers;
    int fetchBytes = 0; // 0: no bitplane DMA on this line
    int screen = -1; // index into FieldLines::screens
};
using LineVisitor = std::function<void(const LineView &)>;

// `top` is the state at the frame's top, `pointers` the bitplane pointers there; with `forceDma`
// the lines fetch whatever DMACON says. `visit` sees every line from the top to the window's end.
FieldLines readLines(const DisplayState &top, const ListRun &run,
    const std::array<std::uint32_t, 8> &pointers, bool forceDma, const LineVisitor &visit = {});

// The field the list of `run` displays. The saved pointers have moved on over the whole frame:
// where the list does not set them, they started that far back. A frame that fetches nothing
// (bitplane DMA off when it was saved) is read as if it fetched, so that the user still gets the
// picture the list describes.
FieldLines readField(const DisplayState &top, const ListRun &run, const LineVisitor &visit = {});

} // namespace CopperWalk
