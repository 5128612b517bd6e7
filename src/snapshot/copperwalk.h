#pragma once

#include "chipregisters.h"
#include "ripperstate.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// One frame of the Copper list the display was running, walked as the hardware runs it from
// COP1LC, and the screens that frame shows.
namespace CopperWalk {

constexpr int MaxInstructions = 8192;

enum class Stop {
    NoChipRegisters, // no "CHIP" chunk
    NoChipRam, // no "CRAM" chunk
    NoList, // COP1LC is 0
    End, // the end marker, WAIT $FFFF,$FFFE
    ProtectedRegister, // a move below $040
    InstructionLimit,
    Loop, // an instruction already run in this frame
    OutsideChipRam,
};

// A part of the frame with its own bitplane pointers: the registers and colours in effect when
// the Copper went on past its pointers.
struct Screen
{
    int firstLine = 0; // display line of its first row
    int stopLine = 0; // the line after its last: the next screen's first, else the window's end
    ChipRegisters::Registers registers; // as saved, with the list's moves up to here
    std::array<std::uint16_t, 32> ecsColours {}; // COLOR00 to COLOR31, 12-bit
    std::array<std::uint32_t, 256> agaColours {}; // 0xRRGGBB, AGA only
    int colourRuns = 0; // how many of the frame's colour runs came before it
};

struct Frame
{
    Stop stop = Stop::NoChipRegisters;
    std::uint32_t stopAddress = 0; // chip address of the instruction where the walk ended
    bool aga = false;
    std::int64_t chipRamFirst = 0; // file position of chip address 0
    std::int64_t chipRamSize = 0;
    std::vector<Screen> screens;
    // Chip addresses of the first move of each run of colour moves, in the order they ran.
    std::vector<std::uint32_t> colourRuns;
};

// Runs one frame; reads nothing outside the snapshot and always ends.
Frame walk(const RipperState &state);

// The number of bitplanes BPLCON0 turns on (8 through BPU3 on AGA).
int planeCount(std::uint16_t bplcon0, bool aga);

// "$01A2C0": a chip address as the status bar and the menu show it.
QString chipAddressText(std::int64_t address);

// Why the walk ended, in words for the status bar.
QString describeStop(const Frame &frame);

} // namespace CopperWalk
