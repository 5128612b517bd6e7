#include "copperwalk.h"

#include "chunks.h"

#include <algorithm>
#include <unordered_set>

namespace CopperWalk {

using namespace ChipRegisters;

namespace {

constexpr int InstructionSize = 4;
constexpr int ColourRegisters = 32;
constexpr int AgacFirstEntry = 12; // from the "AGAC" tag; four bytes each, the first a flag

int displayStartLine(const Registers &r)
{
    return r.word(DIWSTRT) >> 8;
}

// The stop line's bit 8 is the inverse of its bit 7.
int displayStopLine(const Registers &r)
{
    const std::uint16_t stop = r.word(DIWSTOP);
    return (stop >> 8) + (stop & 0x8000 ? 0 : 0x100);
}

// A 12-bit colour on AGA, each nibble copied into the low one.
std::uint32_t widened(std::uint16_t word)
{
    return ((word >> 8) & 0xF) * 0x110000u + ((word >> 4) & 0xF) * 0x1100u + (word & 0xF) * 0x11u;
}

class Walker
{
public:
    Walker(const RipperState &state, const Saved &saved, Frame &frame)
        : m_state(state)
        , m_frame(frame)
        , m_registers(saved.registers)
    {
        readColours();
    }

    void run()
    {
        std::uint32_t pc = m_registers.address(COP1LC);
        m_frame.stop = runFrom(pc);
        m_frame.stopAddress = pc;
        takeScreen();
        setStopLines();
    }

private:
    std::uint16_t chipWord(std::uint32_t address) const
    {
        const std::uint8_t *p = m_state.bytes() + m_frame.chipRamFirst + address;
        return std::uint16_t(p[0] << 8 | p[1]);
    }

    void readColours()
    {
        Screen &c = m_current;
        for (int i = 0; i < ColourRegisters; ++i)
            c.ecsColours[i] = m_registers.word(COLOR00 + 2 * i) & 0x0FFF;
        if (!m_frame.aga)
            return;
        for (int i = 0; i < ColourRegisters; ++i)
            c.agaColours[i] = widened(c.ecsColours[i]);
        const int tag = Chunks::findChunk(m_state, "AGAC");
        const std::int64_t first = std::int64_t(tag) + AgacFirstEntry;
        const std::int64_t size = Chunks::dataSize(m_state);
        for (int i = 0; tag >= 0 && i < 256 && first + 4 * i + 4 <= size; ++i) {
            const std::uint8_t *p = m_state.bytes() + first + 4 * i;
            c.agaColours[i] = std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
        }
    }

    // The instruction at `pc` is where the walk ended.
    Stop runFrom(std::uint32_t &pc)
    {
        std::unordered_set<std::uint32_t> run;
        for (int count = 0; count < MaxInstructions; ++count) {
            if (std::int64_t(pc) + InstructionSize > m_frame.chipRamSize)
                return Stop::OutsideChipRam;
            if (!run.insert(pc).second)
                return Stop::Loop;
            const std::uint16_t first = chipWord(pc);
            const std::uint16_t second = chipWord(pc + 2);
            if (!(first & 1)) {
                if ((first & 0x1FE) < FirstUnprotected)
                    return Stop::ProtectedRegister;
                pc = move(first & 0x1FE, second, pc);
                continue;
            }
            m_lastWasColour = false;
            if (first == 0xFFFF && second == 0xFFFE)
                return Stop::End;
            const int line = (first >> 8) + (m_passedLine255 ? 0x100 : 0);
            if (!(second & 1))
                pc = wait(line, first >> 8, pc);
            else // a skip, against the beam the last wait left the Copper at
                pc += line <= std::max(m_waitLine, 0) ? 2 * InstructionSize : InstructionSize;
        }
        return Stop::InstructionLimit;
    }

    // Returns where the Copper goes on.
    std::uint32_t move(int reg, std::uint16_t value, std::uint32_t at)
    {
        m_registers.set(reg, value);
        const bool colour = reg >= COLOR00 && reg < COLOR00 + 2 * ColourRegisters;
        if (colour && !m_lastWasColour)
            m_frame.colourRuns.push_back(at);
        m_lastWasColour = colour;
        if (colour)
            setColour((reg - COLOR00) / 2, value);
        if (reg >= BPL1PT && reg < BPL1PT + 32 && !m_pointersWritten) {
            m_pointersWritten = true;
            m_pointerLine = m_waitLine;
        }
        if (reg == COPJMP1)
            return m_registers.address(COP1LC);
        if (reg == COPJMP2)
            return m_registers.address(COP2LC);
        return at + InstructionSize;
    }

    std::uint32_t wait(int line, int position, std::uint32_t at)
    {
        takeScreen();
        m_waitLine = line;
        if (position == 0xFF)
            m_passedLine255 = true;
        return at + InstructionSize;
    }

    // AGA: BPLCON3 picks the bank; with LOCT the write sets the low nibbles only.
    void setColour(int index, std::uint16_t value)
    {
        m_current.ecsColours[index] = value & 0x0FFF;
        if (!m_frame.aga)
            return;
        const std::uint16_t control = m_registers.word(BPLCON3);
        const bool low = control & 0x0200;
        std::uint32_t &colour = m_current.agaColours[(control >> 13) * 32 + index];
        const std::uint32_t nibbles = widened(value) & 0x0F0F0F;
        colour = low ? (colour & 0xF0F0F0) | nibbles : widened(value);
    }

    // The screen whose pointers were written, if display follows them.
    void takeScreen()
    {
        if (!m_pointersWritten)
            return;
        m_pointersWritten = false;
        const int first = std::max(m_pointerLine, displayStartLine(m_registers));
        if (first >= displayStopLine(m_registers)
            || planeCount(m_registers.word(BPLCON0), m_frame.aga) == 0)
            return;
        Screen screen = m_current;
        screen.firstLine = first;
        screen.registers = m_registers;
        screen.colourRuns = int(m_frame.colourRuns.size());
        m_frame.screens.push_back(screen);
    }

    void setStopLines()
    {
        std::vector<Screen> &screens = m_frame.screens;
        for (std::size_t i = 0; i < screens.size(); ++i) {
            const bool below
                = i + 1 < screens.size() && screens[i + 1].firstLine > screens[i].firstLine;
            screens[i].stopLine
                = below ? screens[i + 1].firstLine : displayStopLine(screens[i].registers);
        }
    }

    const RipperState &m_state;
    Frame &m_frame;
    Registers m_registers;
    Screen m_current; // the colours as they stand
    int m_waitLine = -1; // the last wait's line, -1 before the first
    bool m_passedLine255 = false;
    bool m_lastWasColour = false;
    bool m_pointersWritten = false; // since the last screen was taken
    int m_pointerLine = -1; // the wait line when they were first written
};

} // namespace

Frame walk(const RipperState &state)
{
    Frame frame;
    const Saved saved = ChipRegisters::read(state);
    if (!saved.found)
        return frame;
    const std::optional<Chunks::ChipRam> ram = Chunks::chipRam(state);
    if (!ram) {
        frame.stop = Stop::NoChipRam;
        return frame;
    }
    frame.aga = saved.aga;
    frame.chipRamFirst = ram->first;
    frame.chipRamSize = ram->size;
    if (saved.registers.address(COP1LC) == 0) {
        frame.stop = Stop::NoList;
        return frame;
    }
    Walker(state, saved, frame).run();
    return frame;
}

QString chipAddressText(std::int64_t address)
{
    return QStringLiteral("$%1").arg(address, 6, 16, QLatin1Char('0')).toUpper();
}

int planeCount(std::uint16_t bplcon0, bool aga)
{
    const int planes = (bplcon0 >> 12) & 7;
    if (aga && planes == 0 && (bplcon0 & 0x0010))
        return 8;
    // Without AGA the DMA fetches four planes when seven are asked for.
    return !aga && planes == 7 ? 4 : planes;
}

QString describeStop(const Frame &frame)
{
    const QString at = chipAddressText(frame.stopAddress);
    switch (frame.stop) {
    case Stop::NoChipRegisters:
        return QStringLiteral("the snapshot holds no custom chip registers (no \"CHIP\" chunk)");
    case Stop::NoChipRam:
        return QStringLiteral("the snapshot holds no chip RAM (no \"CRAM\" chunk)");
    case Stop::NoList:
        return QStringLiteral("COP1LC is 0, no Copper list was running");
    case Stop::End:
        return QStringLiteral("the Copper list ends at %1").arg(at);
    case Stop::ProtectedRegister:
        return QStringLiteral("the Copper stops at %1, a move to a protected register").arg(at);
    case Stop::InstructionLimit:
        return QStringLiteral("the Copper list runs on past %1 instructions, to %2")
            .arg(MaxInstructions)
            .arg(at);
    case Stop::Loop:
        return QStringLiteral("the Copper list loops back to %1").arg(at);
    case Stop::OutsideChipRam:
        return QStringLiteral("the Copper list runs out of chip RAM at %1").arg(at);
    }
    return QString();
}

} // namespace CopperWalk
