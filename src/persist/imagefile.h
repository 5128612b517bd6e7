#pragma once

#include "exporter.h"
#include "ilbm.h"

#include <QImage>
#include <QString>

// An exported picture written as the file name asks: IFF ILBM for ".iff", ".ilbm" and ".lbm",
// palette PNG otherwise.
namespace ImageFile {

enum class Format { Png, Ilbm };

Format formatFor(const QString &fileName);

struct Options
{
    Format format = Format::Png;
    int planes = 1; // the view's: an ILBM has at least these, and enough for every index used
    Ilbm::Options ilbm; // its mode, aspect and transparent colour
};

// Writes `indexed` (in its colour table) atomically.
Exporter::Result write(const QImage &indexed, const QString &fileName, const Options &options);

// The colours a palette file of the view holds: 2^planes of the canvas's, or all 256.
QList<QRgb> viewColours(const RipperState &state, bool allColours);

// What "Save images" writes: the grid as one file, or one file per picture; `options.planes` and
// the transparent index are taken from the view and the request.
Exporter::SplitResult exportImages(const RipperState &state, const Exporter::Request &request,
    const QString &fileName, bool split, Options options);

} // namespace ImageFile
