#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <cstdint>

// Indexed pictures written as IFF ILBM, the Amiga's own picture file, so Amiga tools can load them.
namespace Ilbm {

struct Options
{
    int planes = 8;
    std::uint32_t camg = 0; // viewport mode (HIRES, LACE, HAM, EHB); 0 writes no CAMG chunk
    int transparent = -1; // -1: none (transparentColor 0)
    int xAspect = 10;
    int yAspect = 11;
};

// The fewest planes (1..8) that hold every colour index the Format_Indexed8 image uses.
int planesFor(const QImage &indexed);

// One row of one plane packed with ByteRun1.
QByteArray byteRun1(const std::uint8_t *bytes, int count);

enum class Result { Written, TooLarge, WriteFailed };

// The whole file; empty when write() would refuse it. Colour indexes keep their low
// `options.planes` bits; palette entries past the end are black. Images that are not
// Format_Indexed8 are converted by Qt first.
QByteArray encode(const QImage &indexed, const QList<QRgb> &palette, const Options &options);

// TooLarge (nothing written) for a width or height of 0 or above 65535, planes outside 1..8 or a
// file past 4 GiB. Atomic: an existing file is replaced only by a complete one.
Result write(const QImage &indexed, const QList<QRgb> &palette, const Options &options,
    const QString &fileName);

} // namespace Ilbm
