#pragma once

#include "ripperstate.h"

#include <QImage>
#include <QString>

#include <functional>

// Export of a grid of pictures to a palette PNG.
namespace Exporter {

struct Request
{
    int picturesX = 1;
    int picturesY = 1;
    bool leftToRight = true; // column by column ("Left -> Right"); false: row by row
    int border = 0;
    int color = 253; // only the low eight bits are an index
    int transparent = -1; // a colour index written fully transparent, or -1
};

enum class Result { Written, Empty, TooLarge, WriteFailed };

// The image is built whole in memory, one byte per pixel: these bound what a request may ask.
constexpr int MaxSide = 32767;
constexpr qint64 MaxPixels = qint64(256) * 1024 * 1024;

// Whether the request can be composed: Empty when a cell or a count leaves no pixels, TooLarge
// beyond the bounds above, Written otherwise. Nothing is allocated.
Result check(const RipperState &state, const Request &request);

// The image as it would be written: cells of picture plus border, in the canvas's palette.
// Null when `check` refuses the request.
QImage compose(const RipperState &state, const Request &request);

// Composes and writes the PNG atomically: an existing file is replaced only by a complete image.
Result exportPictures(const RipperState &state, const Request &request, const QString &fileName);

// Writes `image` as PNG atomically.
bool writePng(const QImage &image, const QString &fileName);

// One file per picture: picture k of the grid's order (the k-th from the offset), no border.
constexpr std::int64_t MaxFiles = 100000;

// "NAME-000.png" for "NAME.png": at least three digits, as many as `count` needs.
QString splitFileName(const QString &fileName, std::int64_t k, std::int64_t count);

// Picture k alone in the canvas's palette, `request.transparent` applied.
QImage composePicture(const RipperState &state, const Request &request, std::int64_t k);

struct SplitResult
{
    Result result = Result::Written;
    std::int64_t written = 0; // files written before a failure, or all of them
    QString failedFile; // the file that could not be written
};

// Writes every picture with `write` (each file atomically); stops at the first failure.
using ImageWriter = std::function<bool(const QImage &image, const QString &fileName)>;
SplitResult exportEach(const RipperState &state, const Request &request, const QString &fileName,
    const ImageWriter &write = writePng);

} // namespace Exporter
