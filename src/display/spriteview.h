#pragma once

#include "framerender.h"

#include <QStringList>

// A sprite of the displayed frame put on the view: its DATA and DATB words as two line-interleaved
// planes, in COLOR00 and its three colours.
namespace SpriteView {

// The sprites the Sprites menu lists: attached pairs once.
std::vector<int> listed(const FrameRender::Frame &frame);

// Returns what the view cannot show as the display does.
QStringList apply(RipperState &state, const FrameRender::Frame &frame, int index);

} // namespace SpriteView
