#pragma once

#include "ripperstate.h"

#include <array>
#include <cstdint>

// The custom chip registers as the "CHIP" chunk saved them, read by register number.
namespace ChipRegisters {

// Register numbers (byte offsets from $DFF000) the display and the Copper use.
enum Register : int {
    COP1LC = 0x080, // a pointer pair: high word here, low word at +2
    COP2LC = 0x084,
    COPJMP1 = 0x088,
    COPJMP2 = 0x08A,
    DIWSTRT = 0x08E,
    DIWSTOP = 0x090,
    DDFSTRT = 0x092,
    DDFSTOP = 0x094,
    DMACON = 0x096,
    BPL1PT = 0x0E0, // BPLxPT at BPL1PT + 4 (x - 1)
    BPLCON0 = 0x100,
    BPLCON1 = 0x102,
    BPLCON2 = 0x104,
    BPLCON3 = 0x106,
    BPL1MOD = 0x108,
    BPL2MOD = 0x10A,
    BPLCON4 = 0x10C,
    SPR0PT = 0x120, // SPRxPT at SPR0PT + 4 x
    COLOR00 = 0x180, // COLORxx at COLOR00 + 2 xx
    DIWHIGH = 0x1E4,
    FMODE = 0x1FC,
};

// BPLCON0's bits
constexpr std::uint16_t Hires = 0x8000;
constexpr std::uint16_t Ham = 0x0800;
constexpr std::uint16_t DualPlayfield = 0x0400;
constexpr std::uint16_t SuperHires = 0x0040;
constexpr std::uint16_t Interlace = 0x0004;

// The first register a Copper move may write; moves below it stop the Copper.
constexpr int FirstUnprotected = 0x040;

// Where register `reg` is stored, counted from the "CHIP" tag, or -1 for the registers the chunk
// leaves out (the audio and sprite blocks) and anything not a register.
int offsetOf(int reg);

// All 256 word registers; any register not stored reads 0.
class Registers
{
public:
    std::uint16_t word(int reg) const { return m_words[index(reg)]; }
    void set(int reg, std::uint16_t value) { m_words[index(reg)] = value; }
    // A chip address from a register pair, bit 0 dropped as the DMA does.
    std::uint32_t address(int reg) const
    {
        return (std::uint32_t(word(reg)) << 16 | word(reg + 2)) & ~1u;
    }
    // What a plane's pointer skips after each line: BPL1MOD for odd planes, BPL2MOD for even.
    int modulo(int plane) const { return std::int16_t(word(plane % 2 ? BPL2MOD : BPL1MOD)); }

private:
    static std::size_t index(int reg) { return std::size_t(reg & 0x1FE) / 2; }
    std::array<std::uint16_t, 256> m_words {};
};

struct Saved
{
    bool found = false; // false: no "CHIP" chunk, every register 0
    bool aga = false; // the chipset flags name AGA
    bool ecs = false; // ECS Agnus or Denise, or AGA: DIWHIGH exists
    Registers registers;
};

// The registers of the first "CHIP" chunk, each read only where the chunk and the file hold it.
Saved read(const RipperState &state);

} // namespace ChipRegisters
