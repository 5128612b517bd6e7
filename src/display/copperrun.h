#pragma once

#include "chipregisters.h"

#include <cstdint>
#include <vector>

// One frame of a Copper list run as the hardware runs it: its moves, each with the display line
// from which it takes effect.
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

struct Move
{
    int line = 0; // the first line it is in effect on
    int reg = 0;
    std::uint16_t value = 0;
};

struct ListRun
{
    Stop stop = Stop::End;
    std::uint32_t stopAddress = 0; // chip address of the instruction where the run ended
    std::vector<Move> moves; // in the order they ran; their lines never decrease
    // Chip addresses of the first move of each run of colour moves, and the index of that move.
    std::vector<std::uint32_t> colourRuns;
    std::vector<std::size_t> colourRunMoves;
    ChipRegisters::Registers registers; // as the frame left them
};

struct ChipMemory
{
    const std::uint8_t *bytes = nullptr; // chip address 0
    std::int64_t size = 0;
};

// Runs the list at `start` with the registers `saved` from the top of the frame; reads nothing
// outside `chip` and always ends.
ListRun runList(const ChipMemory &chip, const ChipRegisters::Registers &saved, std::uint32_t start);

} // namespace CopperWalk
