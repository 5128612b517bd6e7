#pragma once

#include "demosprites.h"
#include "ripperstate.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>
#include <QString>
#include <cstdint>

// A demonstration snapshot: a WinUAE-style chunk chain whose chip RAM holds procedurally drawn
// pictures in every storage mode, colours in the "CHIP" and "AGAC" chunks, two Copper lists, one
// that the Simple search finds first and one that the Advanced search finds first, and the display
// the custom registers were showing: a title screen and a panel below it, with hardware sprites.
namespace DemoSnapshot {

constexpr int ChipRamSize = 512 * 1024;

struct Picture
{
    QString name;
    QString stateFileName; // the ripper state that shows it, e.g. "demo-checkerboard.plv"
    int offset = 0; // file offset of the first picture
    int widthBytes = 0;
    int height = 0;
    int planes = 0;
    int mode = RipperState::ModeAM;
    int paletteSource = RipperState::PaletteECS;
    QList<QImage> frames; // the intended colour indices, one image per picture, in memory order
};

// A screen of the display the Copper list at COP1LC shows.
struct DisplayScreen
{
    QString name;
    std::uint32_t chipAddress = 0; // of its first line, where its list points BPL1PT
    int offset = 0; // the same as a file offset
    int widthBytes = 0;
    int height = 0;
    int planes = 0;
    int mode = RipperState::ModeAM; // how its planes lie, as the view shows them
    QList<std::uint16_t> colours; // COLOR00 to COLOR31 while it is on display
    QImage picture; // the intended colour indices
};

struct Demo
{
    QByteArray bytes;
    QList<Picture> pictures;
    int advancedListOffset = 0; // first colour move of the list the Advanced search finds
    int simpleListOffset = 0; // first colour move of the list the Simple search finds
    int ecsTableOffset = 0; // COLOR00 in "CHIP", where the ECS reader finds the colours
    int agaTableOffset = 0; // the first colour entry in "AGAC"
    QList<std::uint16_t> ecsColours; // COLOR00 on, as stored in "CHIP"
    QList<QRgb> agaColours; // as stored in "AGAC"
    QList<std::uint16_t> simpleColours; // COLOR00 to COLOR31 of the Simple search's list
    QList<std::uint16_t> advancedColours; // COLOR00 to COLOR15 of the Advanced search's list
    QList<DisplayScreen> screens; // top to bottom
    QList<DemoSprites::Sprite> sprites; // over the title
    int copperListOffset = 0; // the list COP1LC points at
    int secondCopperListOffset = 0; // the list it goes on with through COPJMP2
    int memoryListOffset = 0; // a list of the shaded ball that no display runs
};

Demo build();

// The view that shows `picture`, with the palette bookkeeping a ripper state file stores for it
// (the snapshot bytes themselves are not copied).
RipperState viewOf(const Demo &demo, const Picture &picture);

} // namespace DemoSnapshot
