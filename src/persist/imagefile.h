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

} // namespace ImageFile
