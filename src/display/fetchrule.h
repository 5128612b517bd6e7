#pragma once

#include "chipregisters.h"

// How many bytes of each bitplane the hardware fetches on a line, from the data fetch start and
// stop, the resolution and (on AGA) the fetch mode.
namespace FetchRule {

// The last fetch unit may start no later than this colour clock.
constexpr int LastUnitStart = 0xD8;

struct Fetch
{
    int bytes = 0; // per plane and line; 0: nothing is fetched
    bool runaway = false; // the fetch never stops on such a line: no usable layout
};

// The hardware fetches in units of U colour clocks from DDFSTRT; the last unit is the first that
// starts at or after DDFSTOP, but none starts past $D8.
Fetch perLine(const ChipRegisters::Registers &registers, bool aga);

} // namespace FetchRule
