#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <cstdint>

// The demo display's hardware sprites: a plain one on channel 0 and an attached pair on
// channels 2 and 3, their pointers set by the display's Copper list.
namespace DemoSprites {

struct Sprite
{
    int channel = 0; // the even one of an attached pair
    bool attached = false;
    std::uint32_t chipAddress = 0; // of its control words (the odd one's follow at +$100)
    int x = 0; // lores pixels from the display window's left
    int y = 0; // lines from its top
    QImage picture; // colour values: 0-3, or 0-15 for an attached pair
};

QList<Sprite> sprites();

// Each sprite's control words, data and end, for chip RAM at its address.
QList<std::pair<std::uint32_t, QByteArray>> chipData(const QList<Sprite> &sprites);

// The Copper moves that point the channels at them.
QByteArray pointerMoves(const QList<Sprite> &sprites);

} // namespace DemoSprites
