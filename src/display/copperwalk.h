#pragma once

#include "copperrun.h"
#include "ripperstate.h"

#include <QString>
#include <QStringList>
#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

// The frame the snapshot's Copper list displays, read line by line as the hardware builds it,
// and the screens it shows.
namespace CopperWalk {

// A run of display lines that fetch one bitmap: one layout, pointers that only advance.
struct Screen
{
    int firstLine = 0; // display line of its first row
    int lines = 0; // display lines it covers
    bool interlaced = false; // both fields' lines, in order: twice as many rows
    int fetchBytes = 0; // of each plane per line
    // In effect on its first line; BPLxPT hold where its planes start, the moduli step from one
    // of its rows to the next.
    ChipRegisters::Registers registers;
    std::array<std::uint16_t, 32> ecsColours {}; // COLOR00 to COLOR31, 12-bit
    std::array<std::uint32_t, 256> agaColours {}; // 0xRRGGBB, AGA only
    int colourRuns = 0; // how many of the frame's colour runs came before it
    std::bitset<256> colourChanges; // colour registers the Copper changes inside it
    QStringList notes; // how it was read where the list does not say

    int rows() const { return interlaced ? 2 * lines : lines; }
    int stopLine() const { return firstLine + lines; }
    std::uint32_t pointer(int plane) const
    {
        return registers.address(ChipRegisters::BPL1PT + 4 * plane);
    }
    // From one of its rows of `plane` to the next.
    std::int64_t rowStep(int plane) const { return fetchBytes + registers.modulo(plane); }
};

struct Frame
{
    Stop stop = Stop::NoChipRegisters;
    std::uint32_t listAddress = 0; // chip address of the list it walked
    std::uint32_t stopAddress = 0; // chip address of the instruction where the walk ended
    bool aga = false;
    std::int64_t chipRamFirst = 0; // file position of chip address 0
    std::int64_t chipRamSize = 0;
    std::vector<Screen> screens;
    // Chip addresses of the first move of each run of colour moves, in the order they ran.
    std::vector<std::uint32_t> colourRuns;
    // Set when lines that would fetch never stop fetching: DDFSTRT and DDFSTOP of the first.
    bool runawayFetch = false;
    int runawayStart = 0;
    int runawayStop = 0;
};

// Walks one frame; reads nothing outside the snapshot and always ends.
Frame walk(const RipperState &state);

// "$01A2C0": a chip address as the status bar and the menu show it.
QString chipAddressText(std::int64_t address);

// Why the walk ended, in words for the status bar.
QString describeStop(const Frame &frame);

// Why the frame shows no screen.
QString describeNoScreen(const Frame &frame);

} // namespace CopperWalk
