#include "chipregisters.h"

#include "chunks.h"

#include <algorithm>

namespace ChipRegisters {

namespace {

constexpr int FlagsOffset = 12;
constexpr std::uint32_t AgaFlag = 1u << 2;
constexpr std::uint32_t EcsFlags = 3; // ECS Agnus, ECS Denise

std::uint32_t bigEndian(const std::uint8_t *p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | p[i];
    return value;
}

} // namespace

int offsetOf(int reg)
{
    if (reg < 0 || reg > 0x1FE || reg % 2 != 0)
        return -1;
    if (reg <= 0x09E)
        return 16 + reg;
    if (reg >= 0x0E0 && reg <= 0x11E)
        return reg - 0x30;
    if (reg >= 0x180)
        return reg - 0x90;
    return -1;
}

Saved read(const RipperState &state)
{
    Saved saved;
    const int tag = Chunks::findChunk(state, "CHIP");
    if (tag < 0)
        return saved;
    saved.found = true;
    // A register lies inside when both the file and the chunk's own length hold it.
    const std::int64_t length = bigEndian(state.bytes() + tag + 4, 4);
    const std::int64_t end = std::min(Chunks::dataSize(state), tag + length);
    const auto inside = [&](std::int64_t offset, int bytes) {
        return tag + offset + bytes <= end;
    };
    if (inside(FlagsOffset, 4)) {
        const std::uint32_t flags = bigEndian(state.bytes() + tag + FlagsOffset, 4);
        saved.aga = flags & AgaFlag;
        saved.ecs = flags & (AgaFlag | EcsFlags);
    }
    for (int reg = 0; reg <= 0x1FE; reg += 2) {
        const int offset = offsetOf(reg);
        if (offset >= 0 && inside(offset, 2))
            saved.registers.set(reg, std::uint16_t(bigEndian(state.bytes() + tag + offset, 2)));
    }
    return saved;
}

} // namespace ChipRegisters
