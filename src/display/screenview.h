#pragma once

#include "copperwalk.h"
#include "ripperstate.h"

#include <QList>
#include <QRgb>
#include <QStringList>
#include <cstdint>

// A screen of the Copper walk put onto the view: the layout that decodes exactly the planes the
// hardware fetches, and its colours.
namespace ScreenView {

struct Layout
{
    std::int64_t offset = 0; // file position of BPL1PT
    int fetchBytes = 0; // bytes of each plane the hardware fetches per line
    int width = 1; // the view's width in bytes
    int height = 1;
    int planes = 1;
    int mode = RipperState::ModeAM;
    int skipmode = RipperState::SkipPictures;
    int skip = 0;
    QStringList notes; // what the view cannot show as the hardware does
};

Layout layoutOf(const CopperWalk::Frame &frame, const CopperWalk::Screen &screen);

// Sets the view to `layout`: its offset held to the file, the planes in order, not reversed.
void putOnView(RipperState &state, const Layout &layout);

// The canvas colour table: the screen's colours (32, 64 for extra half-brite, 256 on AGA), the
// rest of the default palette.
QList<QRgb> coloursOf(const CopperWalk::Frame &frame, const CopperWalk::Screen &screen);

// How many colours its pixels can show: 2^planes, 64 with extra half-brite, two sets of
// 2^(planes / 2) with dual playfield.
int coloursShown(const CopperWalk::Frame &frame, const CopperWalk::Screen &screen);

// What a screen is, e.g. "320×256, 5 planes ST, chip $01A2C0, lines 44-299".
QString summary(const CopperWalk::Frame &frame, int index);

struct Applied
{
    QStringList notes; // the layout's
    bool coloursKept = false; // a state file saved now restores the colours
};

// The display mode an Amiga picture file of the screen names (CAMG: HIRES 0x8000, LACE 0x0004,
// HAM 0x0800, EHB 0x0080) and its pixels' aspect.
struct DisplayMode
{
    std::uint32_t camg = 0;
    int xAspect = 10;
    int yAspect = 11;
};
DisplayMode displayModeOf(const CopperWalk::Frame &frame, const CopperWalk::Screen &screen);

// Whether the view still shows screen `index` as apply() put it there.
bool showsScreen(const RipperState &state, const CopperWalk::Frame &frame, int index);

// Puts screen `index` on the view: its layout, its colours, and the palette source and position
// that make a saved state file restore those colours where a source can.
Applied apply(RipperState &state, const CopperWalk::Frame &frame, int index);

} // namespace ScreenView
