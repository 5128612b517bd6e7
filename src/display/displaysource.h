#pragma once

#include "copperrun.h"
#include "displaystate.h"
#include "ripperstate.h"

#include <optional>

// What a snapshot holds of its display: the saved registers and colours, chip RAM, and the
// Copper list COP1LC points at, run over one frame.
namespace CopperWalk {

struct DisplaySource
{
    Stop stop = Stop::NoChipRegisters; // NoChipRegisters, NoChipRam or NoList: nothing to show
    bool usable = false;
    std::int64_t chipRamFirst = 0; // file position of chip address 0
    ChipMemory chip;
    std::optional<DisplayState> top; // the frame's top: the saved registers and colours
    std::uint32_t start = 0; // COP1LC
    ListRun run;
};

DisplaySource openDisplay(const RipperState &state);

// The run of the other field's list of an interlaced display: the list this one leaves in COP1LC
// (or COP2LC) for the next frame, if it shows anything.
std::optional<ListRun> otherFieldRun(const DisplaySource &source);

} // namespace CopperWalk
