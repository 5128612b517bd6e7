#include "copperscan.h"

#include "displaysource.h"
#include "framelines.h"
#include "screenview.h"

#include <algorithm>
#include <cstring>

namespace CopperScan {

using namespace ChipRegisters;
using CopperWalk::ChipMemory;

namespace {

constexpr int InstructionSize = 4;

struct Instruction
{
    std::uint16_t first;
    std::uint16_t second;

    bool isMove() const { return !(first & 1); }
    // Moves name a register in bits 8-1; below $040 the Copper stops.
    bool valid() const { return !isMove() || ((first & 0xFE00) == 0 && first >= FirstUnprotected); }
    bool ends() const
    {
        return (first == 0xFFFF && second == 0xFFFE) || first == COPJMP1 || first == COPJMP2;
    }
};

Instruction at(const ChipMemory &chip, std::int64_t address)
{
    const std::uint8_t *p = chip.bytes + address;
    return { std::uint16_t(p[0] << 8 | p[1]), std::uint16_t(p[2] << 8 | p[3]) };
}

bool inside(const ChipMemory &chip, std::int64_t address)
{
    return address >= 0 && address + InstructionSize <= chip.size;
}

// The high word of a DMA pointer: blitter, Copper, audio, bitplane and sprite pointers.
bool pointerHigh(int reg)
{
    return (reg >= 0x048 && reg <= 0x054 && reg % 4 == 0) || reg == COP1LC || reg == COP2LC
        || (reg >= 0x0A0 && reg <= 0x0D0 && reg % 16 == 0)
        || (reg >= BPL1PT && reg < BPL1PT + 32 && reg % 4 == 0)
        || (reg >= SPR0PT && reg < SPR0PT + 32 && reg % 4 == 0);
}

// Lists wait with every position bit compared and point DMA into chip RAM; random words (or the
// addresses of a vector table) that pass for such instructions seldom do both.
bool likelyInList(const Instruction &i, std::int64_t chipSize)
{
    if (!i.isMove())
        return (i.second & 0x7FFE) == 0x7FFE;
    return !pointerHigh(i.first) || (std::int64_t(i.second) << 16) < chipSize;
}

// Where the run holding the instruction at `address` starts: after the last invalid instruction
// or terminator before it, or a wait no list would make, so that bytes before a list that happen
// to read as instructions do not become its start.
std::int64_t runStart(const ChipMemory &chip, std::int64_t address, std::int64_t floor)
{
    for (int steps = 0; steps < CopperWalk::MaxInstructions; ++steps) {
        const std::int64_t before = address - InstructionSize;
        if (!inside(chip, before) || before < floor)
            return address;
        const Instruction i = at(chip, before);
        if (!i.valid() || i.ends() || !likelyInList(i, chip.size))
            return address;
        address = before;
    }
    return address;
}

struct Run
{
    bool list = false; // a list that shows bitplanes
    std::int64_t end = 0; // the address after the last instruction looked at
};

// Follows the run from `start` to its end.
Run runFrom(const ChipMemory &chip, std::int64_t start)
{
    std::uint32_t high = 0, low = 0;
    bool planes = false;
    std::int64_t address = start;
    for (int count = 0; count < CopperWalk::MaxInstructions && inside(chip, address); ++count) {
        const Instruction i = at(chip, address);
        if (!i.valid())
            return { false, address + InstructionSize };
        if (i.ends())
            return { planes && (high & low), address + InstructionSize };
        if (i.isMove() && i.first >= BPL1PT && i.first < BPL1PT + 32)
            (i.first & 2 ? low : high) |= 1u << ((i.first - BPL1PT) / 4);
        if (i.isMove() && i.first == BPLCON0)
            planes = planes || planeCount(i.second, true) > 0;
        address += InstructionSize;
    }
    return { false, address };
}

// Whether `s` shows the bitmap of displayed screen `d` (a list walked alone may show more or
// fewer of its lines), or one field of it when `d` is both fields of an interlaced display: the
// same layout, every plane at `d`'s start or one of its rows further on.
bool partOf(const CopperWalk::Screen &s, const CopperWalk::Screen &d, bool aga)
{
    const int planes = planeCount(s.registers.word(BPLCON0), aga);
    if (planes != planeCount(d.registers.word(BPLCON0), aga) || s.fetchBytes != d.fetchBytes)
        return false;
    for (int k = 0; k < planes; ++k) {
        const std::int64_t row = d.rowStep(k);
        const std::int64_t apart = std::int64_t(s.pointer(k)) - d.pointer(k);
        const bool placed = apart == 0 || (d.interlaced && apart == row);
        const std::int64_t step = d.interlaced ? 2 * row : row;
        if (!placed || s.rowStep(k) != step)
            return false;
    }
    return true;
}

// Every plane's rows, first to last, inside chip RAM.
bool inChipRam(const CopperWalk::Screen &s, bool aga, std::int64_t chipSize)
{
    const int planes = planeCount(s.registers.word(BPLCON0), aga);
    for (int k = 0; k < planes; ++k) {
        const std::int64_t step = s.rowStep(k);
        const std::int64_t first = s.pointer(k);
        const std::int64_t last = first + std::int64_t(s.rows() - 1) * step;
        if (std::min(first, last) < 0 || std::max(first, last) + s.fetchBytes > chipSize)
            return false;
    }
    return true;
}

} // namespace

// Every list moves to BPLCON0 ($0100): the scan jumps from one byte $01 to the next.
std::vector<std::uint32_t> findLists(const ChipMemory &chip)
{
    std::vector<std::uint32_t> starts;
    // For instructions at addresses 4n and 4n + 2: where the runs looked at so far end. A move to
    // BPLCON0 before that belongs to one of them.
    std::int64_t lookedAt[2] = { 0, 0 };
    const auto *bytes = chip.bytes;
    for (std::int64_t p = 0; p + InstructionSize <= chip.size;) {
        const void *found
            = std::memchr(bytes + p, 0x01, std::size_t(chip.size - InstructionSize + 1 - p));
        if (!found)
            break;
        const std::int64_t at = static_cast<const std::uint8_t *>(found) - bytes;
        p = at + 1;
        std::int64_t &done = lookedAt[at / 2 % 2];
        if (at % 2 || at < done || bytes[at + 1] != 0x00
            || planeCount(std::uint16_t(bytes[at + 2] << 8 | bytes[at + 3]), true) == 0)
            continue;
        const std::int64_t start = runStart(chip, at, done);
        const Run run = runFrom(chip, start);
        done = run.end;
        if (run.list)
            starts.push_back(std::uint32_t(start));
    }
    std::sort(starts.begin(), starts.end());
    return starts;
}

std::vector<MemoryScreen> screensInMemory(
    const RipperState &state, const CopperWalk::Frame &displayed)
{
    std::vector<MemoryScreen> found;
    const CopperWalk::DisplaySource source = CopperWalk::openDisplay(state);
    if (!source.top)
        return found;
    for (std::uint32_t list : findLists(source.chip)) {
        const CopperWalk::ListRun run
            = CopperWalk::runList(source.chip, source.top->registers(), list);
        CopperWalk::Frame frame;
        frame.stop = run.stop;
        frame.listAddress = list;
        frame.stopAddress = run.stopAddress;
        frame.aga = source.top->aga();
        frame.chipRamFirst = source.chipRamFirst;
        frame.chipRamSize = source.chip.size;
        frame.colourRuns = run.colourRuns;
        for (const CopperWalk::Screen &s : CopperWalk::readField(*source.top, run).screens) {
            const bool shown = std::any_of(displayed.screens.begin(), displayed.screens.end(),
                [&](const CopperWalk::Screen &d) { return partOf(s, d, frame.aga); });
            if (!shown && inChipRam(s, frame.aga, frame.chipRamSize))
                frame.screens.push_back(s);
        }
        for (int i = 0; i < int(frame.screens.size()); ++i)
            found.push_back({ list, frame, i });
    }
    return found;
}

QString summary(const MemoryScreen &m)
{
    const CopperWalk::Screen &s = m.frame.screens[std::size_t(m.index)];
    const ScreenView::Layout l = ScreenView::layoutOf(m.frame, s);
    const std::uint16_t control = s.registers.word(BPLCON0);
    const int planes = l.planes;
    const QString colours = control & Ham
        ? (planes == 8 ? QStringLiteral("HAM8") : QStringLiteral("HAM6"))
        : QStringLiteral("%1 colours").arg(ScreenView::coloursShown(m.frame, s));
    return QStringLiteral("%1: %2\u00D7%3, %4 %5 %6, %7")
        .arg(CopperWalk::chipAddressText(s.pointer(0)))
        .arg(8 * l.fetchBytes)
        .arg(s.rows())
        .arg(planes)
        .arg(planes == 1 ? QStringLiteral("plane") : QStringLiteral("planes"))
        .arg(l.mode == RipperState::ModeST ? QStringLiteral("ST") : QStringLiteral("AM"))
        .arg(colours);
}

} // namespace CopperScan
