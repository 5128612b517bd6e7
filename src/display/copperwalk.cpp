#include "copperwalk.h"

#include "displaysource.h"
#include "framelines.h"
#include "interlace.h"

#include <algorithm>

namespace CopperWalk {

using namespace ChipRegisters;

namespace {

bool interlaced(const Screen &screen)
{
    return screen.registers.word(BPLCON0) & Interlace;
}

void pairFields(Frame &frame, const DisplaySource &source)
{
    if (std::none_of(frame.screens.begin(), frame.screens.end(), interlaced))
        return;
    const std::optional<ListRun> other = otherFieldRun(source);
    const std::vector<Screen> otherScreens
        = other ? readField(*source.top, *other).screens : std::vector<Screen>();
    for (Screen &screen : frame.screens) {
        if (interlaced(screen))
            screen = withOtherField(screen, otherScreens, frame.aga);
    }
}

} // namespace

Frame walk(const RipperState &state)
{
    Frame frame;
    const DisplaySource source = openDisplay(state);
    frame.stop = source.stop;
    if (!source.usable)
        return frame;
    frame.aga = source.top->aga();
    frame.chipRamFirst = source.chipRamFirst;
    frame.chipRamSize = source.chip.size;
    frame.listAddress = source.start;
    frame.stopAddress = source.run.stopAddress;
    frame.colourRuns = source.run.colourRuns;
    const FieldLines field = readField(*source.top, source.run);
    frame.screens = field.screens;
    frame.runawayFetch = field.runaway;
    frame.runawayStart = field.runawayStart;
    frame.runawayStop = field.runawayStop;
    pairFields(frame, source);
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
