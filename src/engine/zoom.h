#pragma once

#include <QImage>
#include <QVariant>

// Magnification of the picture area. The canvas stays as it is; only what is shown grows.
namespace Zoom {

constexpr int Min = 1;
constexpr int Max = 4;

// A stored factor; 1 where it is missing, not a whole number or out of range.
int fromSetting(const QVariant &value);

// The top-left part of `canvas` that fills the canvas's own size at `factor`, each pixel a
// factor × factor block (a part of a pixel at the far edges counts as a whole one).
QImage magnified(const QImage &canvas, int factor);

} // namespace Zoom
