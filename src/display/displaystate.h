#pragma once

#include "chipregisters.h"

#include <array>
#include <cstdint>

// The custom registers and colour table in effect at one point of a frame, changed one write at a
// time as the Copper makes them.
class DisplayState
{
public:
    static constexpr int ColourRegisters = 32;

    // The saved registers; `agaColours` the AGA table as saved (ignored without AGA).
    DisplayState(
        const ChipRegisters::Saved &saved, const std::array<std::uint32_t, 256> &agaColours);

    // A write to register `reg`; DMACON sets or clears bits, colours go to the bank BPLCON3 picks.
    void write(int reg, std::uint16_t value);

    const ChipRegisters::Registers &registers() const { return m_registers; }
    bool aga() const { return m_aga; }
    int planes() const;
    bool bitplaneDma() const; // DMAEN and BPLEN
    // The display window's first line and the line after its last.
    int windowStart() const;
    int windowStop() const;
    // Its first lores pixel of the beam and the one after its last.
    int windowLeft() const;
    int windowRight() const;

    std::array<std::uint16_t, ColourRegisters> ecsColours {}; // COLOR00 to COLOR31, 12-bit
    std::array<std::uint32_t, 256> agaColours {}; // 0xRRGGBB, AGA only

private:
    void setColour(int index, std::uint16_t value);

    ChipRegisters::Registers m_registers;
    bool m_aga = false;
    bool m_ecs = false;
    bool m_diwHighWritten = false;
};

// A 12-bit colour on AGA, each nibble copied into the low one.
std::uint32_t widenedColour(std::uint16_t word);

// The number of bitplanes BPLCON0 turns on (8 through BPU3 on AGA).
int planeCount(std::uint16_t bplcon0, bool aga);
