#include "screenview.h"

#include "palette.h"
#include "viewranges.h"

#include <algorithm>
#include <tuple>

namespace ScreenView {

using namespace ChipRegisters;
using CopperWalk::Frame;
using CopperWalk::Screen;

namespace {

constexpr std::uint16_t Hires = 0x8000;
constexpr std::uint16_t Ham = 0x0800;
constexpr std::uint16_t DualPlayfield = 0x0400;
constexpr std::uint16_t SuperHires = 0x0040;
constexpr int ColourRegisters = 32;
// Advanced searches tried per screen, the latest colour runs first: each may scan all chip RAM.
constexpr int MaxSearchesTried = 8;

int roundUp(int value, int multiple)
{
    return (value + multiple - 1) / multiple * multiple;
}

// Words of each plane fetched per line. The data fetch start and stop give it in lores and hires;
// a wide fetch (AGA) and super-hires take the display window's width.
int fetchWords(const Registers &r, bool aga)
{
    const std::uint16_t control = r.word(BPLCON0);
    const int fetchMode = aga ? r.word(FMODE) & 3 : 0;
    const int start = r.word(DDFSTRT);
    const int stop = r.word(DDFSTOP);
    int words = 0;
    if (fetchMode == 0 && !(control & SuperHires)) {
        words = control & Hires ? ((stop & 0xFC) - (start & 0xFC)) / 4 + 2
                                : ((stop & 0xF8) - (start & 0xF8)) / 8 + 1;
    } else {
        const int lores = (r.word(DIWSTOP) & 0xFF) + 0x100 - (r.word(DIWSTRT) & 0xFF);
        const int pixels = lores * (control & SuperHires ? 4 : control & Hires ? 2 : 1);
        const int multiple[] = { 1, 2, 2, 4 };
        words = roundUp(roundUp(pixels, 16) / 16, multiple[fetchMode]);
    }
    return std::max(words, 1);
}

std::int64_t pointer(const Screen &screen, int plane)
{
    return screen.registers.address(BPL1PT + 4 * plane);
}

std::int64_t modulo(const Screen &screen, int plane)
{
    return std::int16_t(screen.registers.word(plane % 2 ? BPL2MOD : BPL1MOD));
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
    return planes < 2 || modulo(screen, 0) == modulo(screen, 1);
}

// Interleaved lines, planes one after another, or one plane; anything else shows plane 1 as it
// is and says which others lie elsewhere.
void chooseMode(const Screen &screen, Layout &l)
{
    const std::int64_t line = l.fetchBytes + modulo(screen, 0);
    l.width = int(std::clamp<std::int64_t>(line, ViewRanges::MinXSize, ViewRanges::MaxXSize));
    if (l.width != line)
        l.notes << QStringLiteral("lines lie %1 bytes apart, beyond the width's range").arg(line);
    const int n = l.planes;
    if (n > 1 && sameModuli(screen, n) && modulo(screen, 0) == (n - 1) * std::int64_t(l.fetchBytes)
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
            || modulo(screen, k) != modulo(screen, 0))
            misplaced << QString::number(k + 1);
    }
    if (misplaced.size() == 1)
        l.notes << QStringLiteral("plane %1 does not fit this view").arg(misplaced.first());
    else if (!misplaced.isEmpty())
        l.notes << QStringLiteral("planes %1 do not fit this view").arg(misplaced.join(", "));
}

bool extraHalfBrite(const Frame &frame, const Screen &screen)
{
    const std::uint16_t control = screen.registers.word(BPLCON0);
    return !frame.aga && CopperWalk::planeCount(control, false) == 6
        && !(control & (Ham | DualPlayfield));
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
    l.planes = std::max(CopperWalk::planeCount(control, frame.aga), 1);
    l.fetchBytes = 2 * fetchWords(screen.registers, frame.aga);
    l.height = std::clamp(
        screen.stopLine - screen.firstLine, ViewRanges::MinYSize, ViewRanges::MaxYSize);
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
    return l;
}

QList<QRgb> coloursOf(const Frame &frame, const Screen &screen)
{
    QList<QRgb> table = Palette::defaultColors();
    if (frame.aga) {
        for (int i = 0; i < 256; ++i)
            table[i] = 0xFF000000u | screen.agaColours[std::size_t(i)];
        return table;
    }
    const bool halfBrite = extraHalfBrite(frame, screen);
    for (int i = 0; i < ColourRegisters; ++i) {
        const std::uint16_t word = screen.ecsColours[std::size_t(i)];
        table[i] = rgbOf(word);
        if (halfBrite)
            table[ColourRegisters + i] = rgbOf((word >> 1) & 0x777);
    }
    return table;
}

QString summary(const Frame &frame, int index)
{
    const Screen &screen = frame.screens[std::size_t(index)];
    const Layout l = layoutOf(frame, screen);
    return QStringLiteral("%1\u00D7%2, %3 %4 %5, chip %6, lines %7-%8")
        .arg(8 * l.fetchBytes)
        .arg(screen.stopLine - screen.firstLine)
        .arg(l.planes)
        .arg(l.planes == 1 ? QStringLiteral("plane") : QStringLiteral("planes"))
        .arg(l.mode == RipperState::ModeST ? QStringLiteral("ST") : QStringLiteral("AM"))
        .arg(CopperWalk::chipAddressText(pointer(screen, 0)))
        .arg(screen.firstLine)
        .arg(screen.stopLine - 1);
}

Applied apply(RipperState &state, const Frame &frame, int index)
{
    const Screen &screen = frame.screens[std::size_t(index)];
    const Layout l = layoutOf(frame, screen);
    state.offset = int(std::clamp<std::int64_t>(l.offset, 0, state.filesize));
    state.blXSize = l.width;
    state.blYSize = l.height;
    state.bits = l.planes;
    state.mode = l.mode;
    state.skipmode = l.skipmode;
    state.skip = l.skip;
    state.reverse = false;
    state.bitplaneorder = { 0, 1, 2, 3, 4, 5, 6, 7 };
    return { l.notes, keepColours(state, frame, screen, l.planes) };
}

} // namespace ScreenView
