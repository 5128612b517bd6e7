#include "displaysource.h"

#include "chunks.h"
#include "framelines.h"

namespace CopperWalk {

using namespace ChipRegisters;

namespace {

constexpr int AgacFirstEntry = 12; // from the "AGAC" tag; four bytes each, the first a flag

std::array<std::uint32_t, 256> savedAgaColours(const RipperState &state, const Registers &r)
{
    std::array<std::uint32_t, 256> colours {};
    for (int i = 0; i < DisplayState::ColourRegisters; ++i)
        colours[std::size_t(i)] = widenedColour(r.word(COLOR00 + 2 * i));
    const int tag = Chunks::findChunk(state, "AGAC");
    const std::int64_t first = std::int64_t(tag) + AgacFirstEntry;
    const std::int64_t size = Chunks::dataSize(state);
    for (int i = 0; tag >= 0 && i < 256 && first + 4 * i + 4 <= size; ++i) {
        const std::uint8_t *p = state.bytes() + first + 4 * i;
        colours[std::size_t(i)] = std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
    }
    return colours;
}

} // namespace

DisplaySource openDisplay(const RipperState &state)
{
    DisplaySource source;
    const Saved saved = ChipRegisters::read(state);
    if (!saved.found)
        return source;
    const std::optional<Chunks::ChipRam> ram = Chunks::chipRam(state);
    source.stop = Stop::NoChipRam;
    if (!ram)
        return source;
    source.chipRamFirst = ram->first;
    source.chip = { state.bytes() + ram->first, ram->size };
    source.top.emplace(saved, savedAgaColours(state, saved.registers));
    source.start = saved.registers.address(COP1LC);
    source.stop = Stop::NoList;
    if (source.start == 0)
        return source;
    source.run = runList(source.chip, saved.registers, source.start);
    source.stop = source.run.stop;
    source.usable = true;
    return source;
}

std::optional<ListRun> otherFieldRun(const DisplaySource &source)
{
    for (int reg : { COP1LC, COP2LC }) {
        const std::uint32_t list = source.run.registers.address(reg);
        if (list == source.start || list == 0)
            continue;
        ListRun other = runList(source.chip, source.top->registers(), list);
        if (!readField(*source.top, other).screens.empty())
            return other;
    }
    return std::nullopt;
}

} // namespace CopperWalk
