#pragma once

#include "ripperstate.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>
#include <QString>
#include <cstdint>

// A demonstration snapshot: a WinUAE-style chunk chain whose chip RAM holds procedurally drawn
// pictures in every storage mode, colours in the "CHIP" and "AGAC" chunks, and two Copper lists,
// one that the Simple search finds first and one that the Advanced search finds first.
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
};

Demo build();

// The view that shows `picture`, with the palette bookkeeping a ripper state file stores for it
// (the snapshot bytes themselves are not copied).
RipperState viewOf(const Demo &demo, const Picture &picture);

} // namespace DemoSnapshot
