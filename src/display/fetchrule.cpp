#include "fetchrule.h"

#include <algorithm>

namespace FetchRule {

using namespace ChipRegisters;

namespace {

int pixelsPerColourClock(std::uint16_t bplcon0)
{
    return bplcon0 & SuperHires ? 8 : bplcon0 & Hires ? 4 : 2;
}

int fetchWidthBits(const Registers &r, bool aga)
{
    const int mode = aga ? r.word(FMODE) & 3 : 0;
    return mode == 0 ? 16 : mode == 3 ? 64 : 32;
}

int ceilDiv(int value, int divisor)
{
    return value >= 0 ? (value + divisor - 1) / divisor : -(-value / divisor);
}

int floorDiv(int value, int divisor)
{
    return value >= 0 ? value / divisor : -ceilDiv(-value, divisor);
}

} // namespace

Fetch perLine(const Registers &r, bool aga)
{
    const int pixels = pixelsPerColourClock(r.word(BPLCON0));
    const int unit = std::max(8, fetchWidthBits(r, aga) / pixels);
    const int start = r.word(DDFSTRT) & 0xFF;
    const int stop = r.word(DDFSTOP) & 0xFF;
    Fetch fetch;
    // The stop comparator is never met by a unit starting there: the fetch runs on.
    if (unit == 8 && start % 8 == 4 && stop > 0xD4) {
        fetch.runaway = true;
        return fetch;
    }
    const int units
        = 1 + std::min(ceilDiv(stop - start, unit), floorDiv(LastUnitStart - start, unit));
    const int bytesPerUnit = unit * pixels / 8;
    fetch.bytes = std::max(units, 0) * bytesPerUnit;
    return fetch;
}

} // namespace FetchRule
