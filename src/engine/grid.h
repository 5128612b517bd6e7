#pragma once

#include "ripperstate.h"

#include <QImage>
#include <cstdint>

// The picture grid: where pictures sit on the canvas and how far apart they lie in memory.
namespace Grid {

constexpr int CanvasWidth = 800;
constexpr int CanvasHeight = 600;
constexpr int Gap = 2; // pixels between neighbouring pictures
constexpr std::uint8_t BackgroundIndex = 255;

// Bytes from the start of one picture to the start of the next.
std::int64_t pictureStride(const RipperState &state);

// A grid cell: a picture and the gap after it, across and down.
std::int64_t cellWidth(const RipperState &state);
std::int64_t cellHeight(const RipperState &state);

// File position of picture `number` of the grid, counted row by row from 0 at `offset`.
std::int64_t picturePosition(const RipperState &state, int number);

// Pictures across and down the canvas for the state's picture size; never below 1.
int columnsFor(int blXSize);
int rowsFor(int blYSize);

// Fills the canvas with the background and draws numX by numY pictures from `offset`.
void drawGrid(const RipperState &state, QImage &canvas);
// The same with every pixel through the literal per-pixel decoder (the reference).
void drawGridLiteral(const RipperState &state, QImage &canvas);

} // namespace Grid
