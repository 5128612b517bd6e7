#include "copperwalk.h"

#include "chunks.h"
#include "framelines.h"
#include "interlace.h"

#include <algorithm>

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

// The saved pointers have moved on over the whole frame; where the list does not set them, they
// started that far back.
std::array<std::uint32_t, 8> pointersAt(const Registers &r, const std::array<std::int64_t, 8> &back)
{
    std::array<std::uint32_t, 8> pointers {};
    for (int k = 0; k < 8; ++k)
        pointers[std::size_t(k)] = r.address(BPL1PT + 4 * k) - std::uint32_t(back[std::size_t(k)]);
    return pointers;
}

// The field the list at `start` displays. A frame that fetches nothing (bitplane DMA off when it
// was saved) is read as if it fetched, so that the user still gets the picture the list describes.
FieldLines readField(const DisplayState &top, const ListRun &run)
{
    const std::array<std::uint32_t, 8> saved = pointersAt(top.registers(), {});
    const FieldLines asSaved = readLines(top, run, saved, false);
    if (asSaved.dmaLines == 0) {
        FieldLines forced = readLines(top, run, saved, true);
        for (Screen &screen : forced.screens)
            screen.notes << QStringLiteral("bitplane DMA off");
        return forced;
    }
    return readLines(top, run, pointersAt(top.registers(), asSaved.advance), false);
}

bool interlaced(const Screen &screen)
{
    return screen.registers.word(BPLCON0) & Interlace;
}

// The other field's list: the one this list leaves in COP1LC (or COP2LC) for the next frame.
std::vector<Screen> otherFieldScreens(
    const DisplayState &top, const ListRun &run, const ChipMemory &chip, std::uint32_t start)
{
    for (int reg : { COP1LC, COP2LC }) {
        const std::uint32_t list = run.registers.address(reg);
        if (list == start || list == 0)
            continue;
        const ListRun other = runList(chip, top.registers(), list);
        std::vector<Screen> screens = readField(top, other).screens;
        if (!screens.empty())
            return screens;
    }
    return {};
}

void pairFields(Frame &frame, const DisplayState &top, const ListRun &run, const ChipMemory &chip,
    std::uint32_t start)
{
    if (std::none_of(frame.screens.begin(), frame.screens.end(), interlaced))
        return;
    const std::vector<Screen> other = otherFieldScreens(top, run, chip, start);
    for (Screen &screen : frame.screens) {
        if (interlaced(screen))
            screen = withOtherField(screen, other, frame.aga);
    }
}

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
    const std::uint32_t start = saved.registers.address(COP1LC);
    if (start == 0) {
        frame.stop = Stop::NoList;
        return frame;
    }
    const ChipMemory chip { state.bytes() + ram->first, ram->size };
    const ListRun run = runList(chip, saved.registers, start);
    frame.stop = run.stop;
    frame.stopAddress = run.stopAddress;
    frame.colourRuns = run.colourRuns;
    const DisplayState top(saved, savedAgaColours(state, saved.registers));
    const FieldLines field = readField(top, run);
    frame.screens = field.screens;
    frame.runawayFetch = field.runaway;
    frame.runawayStart = field.runawayStart;
    frame.runawayStop = field.runawayStop;
    pairFields(frame, top, run, chip, start);
    return frame;
}

QString chipAddressText(std::int64_t address)
{
    return QStringLiteral("$%1").arg(address, 6, 16, QLatin1Char('0')).toUpper();
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

QString describeNoScreen(const Frame &frame)
{
    if (!frame.runawayFetch)
        return describeStop(frame);
    const auto hex = [](int value) {
        return QStringLiteral("$%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
    };
    return QStringLiteral(
        "the bitplane fetch from DDFSTRT %1 never stops (DDFSTOP %2 lies past $D4)")
        .arg(hex(frame.runawayStart), hex(frame.runawayStop));
}

} // namespace CopperWalk
