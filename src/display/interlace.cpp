#include "interlace.h"

#include "displaystate.h"

#include <algorithm>

namespace CopperWalk {

using namespace ChipRegisters;

namespace {

bool sameLayout(const Screen &a, const Screen &b)
{
    for (int reg : { BPLCON0, DDFSTRT, DDFSTOP, FMODE, BPL1MOD, BPL2MOD }) {
        if (a.registers.word(reg) != b.registers.word(reg))
            return false;
    }
    return a.firstLine == b.firstLine && a.lines == b.lines && a.fetchBytes == b.fetchBytes;
}

// Each field's row skips the other's: the other field's row lies half a step on, for every plane,
// and on the same side.
int sideOfOther(const Screen &screen, const Screen &other, int planes)
{
    int side = 0;
    for (int k = 0; k < planes; ++k) {
        const std::int64_t step = screen.rowStep(k);
        const std::int64_t apart = std::int64_t(other.pointer(k)) - screen.pointer(k);
        const int thisSide = apart == step / 2 ? 1 : apart == -step / 2 ? -1 : 0;
        if (step <= 0 || step % 2 || thisSide == 0 || (side && thisSide != side))
            return 0;
        side = thisSide;
    }
    return side;
}

} // namespace

Screen withOtherField(const Screen &screen, const std::vector<Screen> &otherField, bool aga)
{
    const int planes = planeCount(screen.registers.word(BPLCON0), aga);
    for (const Screen &other : otherField) {
        const int side = sameLayout(screen, other) ? sideOfOther(screen, other, planes) : 0;
        if (side == 0)
            continue;
        Screen whole = side > 0 ? screen : other;
        whole.interlaced = true;
        whole.colourChanges |= (side > 0 ? other : screen).colourChanges;
        for (int reg : { BPL1MOD, BPL2MOD }) {
            const std::int64_t modulo = std::int16_t(screen.registers.word(reg));
            whole.registers.set(reg, std::uint16_t((modulo - screen.fetchBytes) / 2));
        }
        return whole;
    }
    Screen alone = screen;
    alone.notes << QStringLiteral("one field of an interlaced frame");
    return alone;
}

} // namespace CopperWalk
