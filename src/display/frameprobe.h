#pragma once

#include "framerender.h"

#include <QPoint>

// What lies under a pixel of the displayed frame, and where in memory it comes from.
namespace FrameRender {

struct Target
{
    enum Kind { Nothing, Playfield, Sprite };
    Kind kind = Nothing;
    int screen = -1; // for Playfield: the walk's screen
    std::int64_t lineOffset = 0; // for Playfield: file position of the line's first plane
    int sprite = -1; // for Sprite: the entry in Frame::sprites
};

Target targetAt(const Frame &frame, QPoint at);

// "Screen 1, pixel (12, 40), colour 5 #FF8800, chip $010034", "Sprite 0, pixel (3, 2), ...".
QString describePixel(const Frame &frame, QPoint at);

} // namespace FrameRender
