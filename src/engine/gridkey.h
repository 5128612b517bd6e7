#pragma once

#include "ripperstate.h"

#include <QList>
#include <QRgb>
#include <array>
#include <cstdint>

// Everything that decides what the grid looks like. The view refresh runs nested through the
// controls' signals, so one user action can ask for the same grid several times; comparing keys
// lets all but the first of those draws go.
struct GridKey
{
    const std::uint8_t *data = nullptr;
    int filesize = 0;
    int offset = 0;
    int blXSize = 0;
    int blYSize = 0;
    int skip = 0;
    int bits = 0;
    int mode = 0;
    int skipmode = 0;
    bool reverse = false;
    std::array<int, 8> bitplaneorder {};
    int numX = 0;
    int numY = 0;
    QList<QRgb> palette;

    static GridKey of(const RipperState &s)
    {
        return { s.fileData.data(), s.filesize, s.offset, s.blXSize, s.blYSize, s.skip, s.bits,
            s.mode, s.skipmode, s.reverse, s.bitplaneorder, s.numX, s.numY, s.canvas.colorTable() };
    }

    bool operator==(const GridKey &o) const
    {
        return data == o.data && filesize == o.filesize && offset == o.offset
            && blXSize == o.blXSize && blYSize == o.blYSize && skip == o.skip && bits == o.bits
            && mode == o.mode && skipmode == o.skipmode && reverse == o.reverse
            && bitplaneorder == o.bitplaneorder && numX == o.numX && numY == o.numY
            && palette == o.palette;
    }
    bool operator!=(const GridKey &o) const { return !(*this == o); }
};
