#pragma once

#include "palette.h"
#include "ripperstate.h"

#include <algorithm>
#include <array>
#include <cstdint>

// The two Copper-list searches written position by position, exactly as described, to check the
// fast ones against. Reads stay inside the data: a Simple match whose 32 entries do not fit is
// passed over, and the Advanced scan takes only entries that fit whole. The canvas must hold a
// 256-entry colour table.
namespace CopperSearchReference {

inline std::int64_t dataSize(const RipperState &s)
{
    return std::clamp<std::int64_t>(s.filesize, 0, std::int64_t(s.fileData.size()));
}

inline void setColour(RipperState &s, int entry, std::int64_t valueWord)
{
    s.canvas.setColor(entry, Palette::color12ToRgb(s.bytes()[valueWord], s.bytes()[valueWord + 1]));
}

inline void simple(RipperState &s)
{
    const std::uint8_t *b = s.bytes();
    const std::int64_t size = dataSize(s);
    for (std::int64_t p = std::max(0, s.palsearchpos); p < size - 64; ++p) {
        const bool match = b[p] == 0x01 && b[p + 1] == 0x80 && b[p + 4] == 0x01 && b[p + 5] == 0x82;
        if (!match || p + 128 > size)
            continue;
        for (int i = 0; i < 32; ++i)
            setColour(s, i, p + 4 * i + 2);
        s.palfound = int(p);
        s.palsearchpos = int(p + 1);
        return;
    }
    s.palsearchpos = 0;
}

inline bool advancedCandidate(const std::uint8_t *b, std::int64_t p)
{
    for (std::int64_t e = p; e < p + 16; e += 4)
        if (b[e] != 0x01 || b[e + 1] < 0x80 || b[e + 1] > 0x9F)
            return false;
    return true;
}

inline void advanced(RipperState &s)
{
    const std::uint8_t *b = s.bytes();
    const std::int64_t size = dataSize(s);
    std::array<bool, 32> set {};
    bool broken = false;
    std::int64_t run = 0;
    for (std::int64_t p = std::max(0, s.palsearchpos); p < size - 64; ++p) {
        if (!advancedCandidate(b, p))
            continue;
        s.palfound = int(p);
        for (std::int64_t e = p; e + 4 <= size; e += 4) {
            if (b[e] == 0xFF && b[e + 1] == 0xFF)
                break;
            const int reg = b[e + 1];
            if (reg < 0x80 || reg > 0xBF || set[std::size_t((reg - 0x80) / 2)]) {
                broken = true;
                continue;
            }
            setColour(s, (reg - 0x80) / 2, e + 2);
            set[std::size_t((reg - 0x80) / 2)] = true;
            if (!broken)
                run += 4;
        }
        s.palsearchpos = int(p + (run > 0 ? run : 1));
        return;
    }
    s.palsearchpos = 0;
}

} // namespace CopperSearchReference
