#include "benchdata.h"

#include "grid.h"
#include "palette.h"

#include <random>

const std::vector<std::uint8_t> &benchSnapshot()
{
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> b(2 * 1024 * 1024);
        std::mt19937 rng(2026);
        for (auto &byte : b)
            byte = std::uint8_t(rng());
        return b;
    }();
    return bytes;
}

RipperState benchState(int blXSize, int blYSize, int bits, int mode)
{
    RipperState s;
    s.fileData = benchSnapshot();
    s.filesize = int(s.fileData.size());
    s.fileLoaded = true;
    s.blXSize = blXSize;
    s.blYSize = blYSize;
    s.bits = bits;
    s.mode = mode;
    s.numX = Grid::columnsFor(blXSize);
    s.numY = Grid::rowsFor(blYSize);
    s.canvas = QImage(Grid::CanvasWidth, Grid::CanvasHeight, QImage::Format_Indexed8);
    Palette::setDefaultPalette(s.canvas);
    return s;
}
