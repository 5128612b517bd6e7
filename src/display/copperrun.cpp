#include "copperrun.h"

#include <unordered_set>

namespace CopperWalk {

using namespace ChipRegisters;

namespace {

constexpr int InstructionSize = 4;

bool isColour(int reg)
{
    return reg >= COLOR00 && reg < COLOR00 + 64;
}

// Where the beam is when the Copper goes on: a wait holds it until the beam reaches its position.
struct Beam
{
    int line = 0;
    int position = 0; // colour clocks

    bool before(int otherLine, int otherPosition) const
    {
        return line < otherLine || (line == otherLine && position < otherPosition);
    }
};

class Runner
{
public:
    Runner(const ChipMemory &chip, const Registers &saved, ListRun &run)
        : m_chip(chip)
        , m_run(run)
    {
        m_run.registers = saved;
    }

    Stop runFrom(std::uint32_t &pc)
    {
        std::unordered_set<std::uint32_t> seen;
        for (int count = 0; count < MaxInstructions; ++count) {
            if (std::int64_t(pc) + InstructionSize > m_chip.size)
                return Stop::OutsideChipRam;
            if (!seen.insert(pc).second)
                return Stop::Loop;
            const std::uint16_t first = word(pc);
            const std::uint16_t second = word(pc + 2);
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
            const int position = first & 0xFE;
            if (!(second & 1)) {
                waitFor(line, position);
                if ((first >> 8) == 0xFF)
                    m_passedLine255 = true;
                pc += InstructionSize;
            } else { // a skip, against where the beam is
                pc += m_beam.before(line, position) ? InstructionSize : 2 * InstructionSize;
            }
        }
        return Stop::InstructionLimit;
    }

private:
    std::uint16_t word(std::uint32_t address) const
    {
        const std::uint8_t *p = m_chip.bytes + address;
        return std::uint16_t(p[0] << 8 | p[1]);
    }

    void waitFor(int line, int position)
    {
        if (m_beam.before(line, position))
            m_beam = { line, position };
    }

    // A move past the data fetch's stop counts from the next line: this line's fetch is over.
    int effectLine() const
    {
        const int fetchStop = m_run.registers.word(DDFSTOP) & 0xFF;
        return m_beam.line + (m_beam.position > fetchStop ? 1 : 0);
    }

    // Returns where the Copper goes on.
    std::uint32_t move(int reg, std::uint16_t value, std::uint32_t at)
    {
        if (isColour(reg) && !m_lastWasColour) {
            m_run.colourRuns.push_back(at);
            m_run.colourRunMoves.push_back(m_run.moves.size());
        }
        m_lastWasColour = isColour(reg);
        m_run.moves.push_back({ effectLine(), reg, value });
        m_run.registers.set(reg, value);
        if (reg == COPJMP1)
            return m_run.registers.address(COP1LC);
        if (reg == COPJMP2)
            return m_run.registers.address(COP2LC);
        return at + InstructionSize;
    }

    const ChipMemory &m_chip;
    ListRun &m_run;
    Beam m_beam;
    bool m_passedLine255 = false;
    bool m_lastWasColour = false;
};

} // namespace

ListRun runList(const ChipMemory &chip, const Registers &saved, std::uint32_t start)
{
    ListRun run;
    std::uint32_t pc = start;
    run.stop = Runner(chip, saved, run).runFrom(pc);
    run.stopAddress = pc;
    return run;
}

} // namespace CopperWalk
