#include "screenview.h"

#include "displaystate.h"
#include "palette.h"
#include "viewranges.h"

#include <algorithm>
#include <tuple>

namespace ScreenView {

using namespace ChipRegisters;
using CopperWalk::Frame;
using CopperWalk::Screen;

namespace {

constexpr int ColourRegisters = 32;
// Advanced searches tried per screen, the latest colour runs first: each may scan all chip RAM.
constexpr int MaxSearchesTried = 8;

std::int64_t pointer(const Screen &screen, int plane)
{
    return screen.pointer(plane);
}

bool evenlySpaced(const Screen &screen, int planes, std::int64_t step)
{
    for (int k = 1; k < planes; ++k) {
        if (pointer(screen, k) != pointer(screen, 0) + k * step)
            return false;
    }
    return true;
}

bool sameModuli(const Screen &screen, int planes)
{
    return planes < 2 || screen.registers.modulo(0) == screen.registers.modulo(1);
}

// Interleaved lines, planes one after another, or one plane; anything else shows plane 1 as it
// is and says which others lie elsewhere.
void chooseMode(const Screen &screen, Layout &l)
{
    const std::int64_t line = l.fetchBytes + screen.registers.modulo(0);
    l.width = int(std::clamp<std::int64_t>(line, ViewRanges::MinXSize, ViewRanges::MaxXSize));
    if (l.width != line)
        l.notes << QStringLiteral("lines lie %1 bytes apart, beyond the width's range").arg(line);
    const int n = l.planes;
    if (n > 1 && sameModuli(screen, n)
        && screen.registers.modulo(0) == (n - 1) * std::int64_t(l.fetchBytes)
        && evenlySpaced(screen, n, l.fetchBytes)) {
        l.mode = RipperState::ModeST;
        l.width = l.fetchBytes;
        return;
    }
    const std::int64_t plane = std::int64_t(l.width) * l.height;
    const std::int64_t gap = n > 1 ? pointer(screen, 1) - pointer(screen, 0) - plane : 0;
    if (n > 1 && sameModuli(screen, n) && gap >= 0 && gap <= ViewRanges::MaxSkip
        && evenlySpaced(screen, n, plane + gap)) {
        l.skipmode = RipperState::SkipBitplanes;
        l.skip = int(gap);
        return;
    }
    QStringList misplaced;
    for (int k = 1; k < n; ++k) {
        if (pointer(screen, k) != pointer(screen, 0) + k * plane
            || screen.registers.modulo(k) != screen.registers.modulo(0))
            misplaced << QString::number(k + 1);
    }
    if (misplaced.size() == 1)
        l.notes << QStringLiteral("plane %1 does not fit this view").arg(misplaced.first());
    else if (!misplaced.isEmpty())
        l.notes << QStringLiteral("planes %1 do not fit this view").arg(misplaced.join(", "));
}

// Six planes are extra half-brite, on AGA too unless BPLCON2's KILLEHB is set.
bool extraHalfBrite(const Frame &frame, const Screen &screen)
{
    const std::uint16_t control = screen.registers.word(BPLCON0);
    const bool killed = frame.aga && (screen.registers.word(BPLCON2) & 0x0200);
    return planeCount(control, frame.aga) == 6 && !(control & (Ham | DualPlayfield)) && !killed;
}

// The colour registers the Copper changes inside the screen, e.g. "0, 3".
QString changedColours(const Screen &screen)
{
    QStringList indices;
    for (std::size_t i = 0; i < screen.colourChanges.size(); ++i) {
        if (screen.colourChanges.test(i))
            indices << QString::number(i);
    }
    return indices.join(QStringLiteral(", "));
}

QRgb rgbOf(std::uint16_t word)
{
    return Palette::color12ToRgb(std::uint8_t(word >> 8), std::uint8_t(word & 0xFF));
}

// The entries a view of `planes` planes draws, and at least those the screen's colours fill.
int entriesShown(const Frame &frame, const Screen &screen, int planes)
{
    const int colours = frame.aga       ? 256
        : extraHalfBrite(frame, screen) ? 2 * ColourRegisters
                                        : ColourRegisters;
    return std::max(colours, 1 << planes);
}

// Palette bookkeeping a state file stores, and what loading one does with it.
struct Source
{
    int palette;
    std::int64_t found; // 0 for the chunk readers, which find their table themselves
};

// Whether loading a state file with `source` into a window in the default palette gives `wanted`
// in the entries the view draws; leaves the state as that load would.
bool restores(RipperState &state, const Source &source, const QList<QRgb> &wanted, int count)
{
    Palette::setDefaultPalette(state.canvas);
    state.palsource = source.palette;
    state.palfound = state.palsearchpos = int(std::max<std::int64_t>(source.found - 1, 0));
    Palette::applySelectedSource(state);
    return state.palfound > 0 && state.canvas.colorTable().mid(0, count) == wanted.mid(0, count);
}

// Whether the Advanced search from `at` meets an end marker in chip RAM: one that does not would
// scan on through the rest of the file, however large.
bool endsInChipRam(const RipperState &state, const Frame &frame, std::int64_t at)
{
    const std::uint8_t *bytes = state.bytes();
    for (std::int64_t e = at; e + 4 <= frame.chipRamFirst + frame.chipRamSize; e += 4) {
        if (bytes[e] == 0xFF && bytes[e + 1] == 0xFF)
            return true;
    }
    return false;
}

QList<Source> sourcesToTry(const RipperState &state, const Frame &frame, const Screen &screen)
{
    QList<Source> sources;
    for (int i = screen.colourRuns - 1; i >= 0 && sources.size() < MaxSearchesTried; --i) {
        const std::int64_t at = frame.chipRamFirst + frame.colourRuns[std::size_t(i)];
        if (Palette::advancedListAt(state, at) && endsInChipRam(state, frame, at))
            sources << Source { RipperState::PaletteAdvanced, at };
    }
    sources << Source { RipperState::PaletteECS, 0 } << Source { RipperState::PaletteAGA, 0 };
    return sources;
}

// Sets the palette source and position a state file would need; false when none gives the colours.
bool keepColours(RipperState &state, const Frame &frame, const Screen &screen, int planes)
{
    const QList<QRgb> wanted = coloursOf(frame, screen);
    const int count = entriesShown(frame, screen, planes);
    const auto before
        = std::make_tuple(state.palsource, state.palsearchmode, state.palfound, state.palsearchpos);
    bool kept = false;
    for (const Source &source : sourcesToTry(state, frame, screen)) {
        kept = restores(state, source, wanted, count);
        if (kept)
            break;
    }
    if (!kept)
        std::tie(state.palsource, state.palsearchmode, state.palfound, state.palsearchpos) = before;
    state.canvas.setColorTable(wanted);
    return kept;
}

} // namespace

Layout layoutOf(const Frame &frame, const Screen &screen)
{
    Layout l;
    const std::uint16_t control = screen.registers.word(BPLCON0);
    l.planes = std::max(planeCount(control, frame.aga), 1);
    l.fetchBytes = screen.fetchBytes;
    l.height = std::clamp(screen.rows(), ViewRanges::MinYSize, ViewRanges::MaxYSize);
    l.offset = frame.chipRamFirst + pointer(screen, 0);
    if (pointer(screen, 0) >= frame.chipRamSize)
        l.notes << QStringLiteral("BPL1PT %1 lies outside chip RAM")
                       .arg(CopperWalk::chipAddressText(pointer(screen, 0)));
    chooseMode(screen, l);
    if (control & Ham)
        l.notes << (l.planes == 6            ? QStringLiteral("HAM6")
                : l.planes == 8 && frame.aga ? QStringLiteral("HAM8")
                                             : QStringLiteral("HAM"));
    if (control & DualPlayfield)
        l.notes << QStringLiteral("dual playfield");
    if (screen.colourChanges.any())
        l.notes
            << QStringLiteral("the Copper changes colour %1 inside it").arg(changedColours(screen));
    l.notes << screen.notes;
    return l;
}

QList<QRgb> coloursOf(const Frame &frame, const Screen &screen)
{
    QList<QRgb> table = Palette::defaultColors();
    const bool halfBrite = extraHalfBrite(frame, screen);
    if (frame.aga) {
        // BPLAM turns every pixel's index before the lookup.
        const int mask = screen.registers.word(BPLCON4) >> 8;
        for (int i = 0; i < 256; ++i) {
            const int entry = i ^ mask;
            const bool half = halfBrite && entry >= ColourRegisters && entry < 2 * ColourRegisters;
            const std::uint32_t rgb
                = screen.agaColours[std::size_t(half ? entry - ColourRegisters : entry)];
            table[i] = 0xFF000000u | (half ? (rgb >> 1) & 0x7F7F7F : rgb);
        }
        return table;
    }
    for (int i = 0; i < ColourRegisters; ++i) {
        const std::uint16_t word = screen.ecsColours[std::size_t(i)];
        table[i] = rgbOf(word);
        if (halfBrite)
            table[ColourRegisters + i] = rgbOf((word >> 1) & 0x777);
    }
    return table;
}

int coloursShown(const Frame &frame, const Screen &screen)
{
    const std::uint16_t control = screen.registers.word(BPLCON0);
    const int planes = std::max(planeCount(control, frame.aga), 1);
    if (extraHalfBrite(frame, screen))
        return 2 * ColourRegisters;
    return control & DualPlayfield ? 2 << (planes / 2) : 1 << planes;
}

QString summary(const Frame &frame, int index)
{
    const Screen &screen = frame.screens[std::size_t(index)];
    const Layout l = layoutOf(frame, screen);
    return QStringLiteral("%1\u00D7%2, %3 %4 %5, chip %6, lines %7-%8%9")
        .arg(8 * l.fetchBytes)
        .arg(screen.rows())
        .arg(l.planes)
        .arg(l.planes == 1 ? QStringLiteral("plane") : QStringLiteral("planes"))
        .arg(l.mode == RipperState::ModeST ? QStringLiteral("ST") : QStringLiteral("AM"))
        .arg(CopperWalk::chipAddressText(pointer(screen, 0)))
        .arg(screen.firstLine)
        .arg(screen.stopLine() - 1)
        .arg(screen.interlaced ? QStringLiteral(", interlaced") : QString());
}

DisplayMode displayModeOf(const Frame &frame, const Screen &screen)
{
    const std::uint16_t control = screen.registers.word(BPLCON0);
    const bool hires = control & Hires;
    const bool lace = screen.interlaced || (control & Interlace);
    DisplayMode mode;
    mode.camg = (hires ? 0x8000u : 0u) | (lace ? 0x0004u : 0u) | (control & Ham ? 0x0800u : 0u)
        | (extraHalfBrite(frame, screen) ? 0x0080u : 0u);
    mode.xAspect = hires && !lace ? 5 : !hires && lace ? 20 : 10;
    return mode;
}

bool showsScreen(const RipperState &state, const Frame &frame, int index)
{
    if (index < 0 || std::size_t(index) >= frame.screens.size())
        return false;
    const Layout l = layoutOf(frame, frame.screens[std::size_t(index)]);
    return state.offset == l.offset && state.blXSize == l.width && state.blYSize == l.height
        && state.bits == l.planes && state.mode == l.mode && state.skipmode == l.skipmode
        && state.skip == l.skip && !state.reverse;
}

void putOnView(RipperState &state, const Layout &l)
{
    state.offset = int(std::clamp<std::int64_t>(l.offset, 0, state.filesize));
    state.blXSize = l.width;
    state.blYSize = l.height;
    state.bits = l.planes;
    state.mode = l.mode;
    state.skipmode = l.skipmode;
    state.skip = l.skip;
    state.reverse = false;
    state.bitplaneorder = { 0, 1, 2, 3, 4, 5, 6, 7 };
}

Applied apply(RipperState &state, const Frame &frame, int index)
{
    const Screen &screen = frame.screens[std::size_t(index)];
    const Layout l = layoutOf(frame, screen);
    putOnView(state, l);
    return { l.notes, keepColours(state, frame, screen, l.planes) };
}

} // namespace ScreenView
