#pragma once

#include "copperwalk.h"

#include <QString>
#include <cstdint>
#include <vector>

// Copper lists anywhere in chip RAM, and the screens they would show: the title screen of a game
// saved during play, the other field of an interlaced display, a menu.
namespace CopperScan {

// The start of every run of valid instructions (moves to registers from $040, waits, skips) that
// writes a bitplane pointer pair and a BPLCON0 with planes and ends in the end marker or a jump
// within MaxInstructions. A run is reported once, not its tails.
std::vector<std::uint32_t> findLists(const CopperWalk::ChipMemory &chip);

// A screen of a list found in memory: `frame` is that list walked as if COP1LC pointed at it.
struct MemoryScreen
{
    std::uint32_t list = 0;
    CopperWalk::Frame frame;
    int index = 0; // into frame.screens
};

// The found lists' screens whose bitplanes lie in chip RAM, without those the display shows (or
// shows a field of).
std::vector<MemoryScreen> screensInMemory(
    const RipperState &state, const CopperWalk::Frame &displayed);

// "$01A2C0: 320×256, 5 planes ST, 32 colours": where its bitplanes start, its size and colours.
QString summary(const MemoryScreen &screen);

} // namespace CopperScan
