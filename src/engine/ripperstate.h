#pragma once

#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// Everything the viewer works on: the snapshot bytes, the view parameters (named as in the
// ripper state file), the grid size derived from them and the palette bookkeeping.
struct RipperState
{
    // Storage modes, skip modes and palette sources as the controls number them.
    enum Mode { ModeAM = 0, ModeST = 1, ModeSP = 2, ModeCplus = 3, ModeCminus = 4 };
    enum SkipMode { SkipPictures = 0, SkipBitplanes = 1 };
    enum PaletteSource { PaletteSimple = 0, PaletteAdvanced = 1, PaletteECS = 2, PaletteAGA = 3 };

    QImage canvas;
    bool fileLoaded = false;
    std::vector<std::uint8_t> fileData;
    int palfound = 0;
    int filesize = 0;
    int numX = 2;
    int numY = 2;
    int offset = 0;
    int blXSize = 40;
    int blYSize = 200;
    int skip = 0;
    int bits = 1;
    int mode = ModeAM;
    int skipmode = SkipPictures;
    bool reverse = false;
    int palsource = PaletteECS;
    int palsearchmode = PaletteECS;
    std::array<int, 8> bitplaneorder { 0, 1, 2, 3, 4, 5, 6, 7 };
    int palsearchpos = 0;
    QString currentFile;

    const std::uint8_t *bytes() const { return fileData.data(); }
};
