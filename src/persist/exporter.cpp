#include "exporter.h"

#include "grid.h"
#include "palette.h"
#include "picturedecoder.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace Exporter {

namespace {

struct Geometry
{
    std::int64_t cellWidth = 0;
    std::int64_t cellHeight = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
};

Geometry geometryOf(const RipperState &state, const Request &request)
{
    Geometry g;
    g.cellWidth = 8 * std::int64_t(state.blXSize) + request.border;
    g.cellHeight = std::int64_t(state.blYSize) + request.border;
    // Only multiplied once both factors are known to be small (see check()).
    if (g.cellWidth > 0 && g.cellWidth <= MaxSide && request.picturesX > 0)
        g.width = g.cellWidth * request.picturesX;
    if (g.cellHeight > 0 && g.cellHeight <= MaxSide && request.picturesY > 0)
        g.height = g.cellHeight * request.picturesY;
    return g;
}

// Every byte a picture can read lies well within this distance of its start, and the snapshot
// lies inside it, so a position beyond it reads as nothing but zeros wherever it is.
constexpr std::int64_t PositionLimit = std::int64_t(1) << 48;

// offset + k * stride, held inside +-PositionLimit so that neither this nor the decoder's own
// address arithmetic can overflow.
std::int64_t picturePosition(int offset, std::int64_t k, std::int64_t stride)
{
    const std::int64_t magnitude = stride < 0 ? -stride : stride;
    if (magnitude != 0 && k > PositionLimit / magnitude)
        return stride < 0 ? -PositionLimit : PositionLimit;
    return std::clamp(offset + k * stride, -PositionLimit, PositionLimit);
}

// The canvas's palette, completed from the default one should the canvas hold fewer colours.
QList<QRgb> paletteFor(const RipperState &state, QList<QRgb> table)
{
    const QList<QRgb> canvasColors = state.canvas.colorTable();
    for (qsizetype i = 0; i < canvasColors.size() && i < table.size(); ++i)
        table[i] = canvasColors[i];
    return table;
}

// The pictures from picture `first` on, the first at the offset being picture 0.
void placePictures(const RipperState &state, const Request &request, const Geometry &g,
    QImage &image, std::int64_t first)
{
    PictureDecoder decoder(state);
    const std::int64_t stride = Grid::pictureStride(state);
    const std::int64_t count = std::int64_t(request.picturesX) * request.picturesY;
    for (std::int64_t k = 0; k < count; ++k) {
        const std::int64_t column
            = request.leftToRight ? k / request.picturesY : k % request.picturesX;
        const std::int64_t row
            = request.leftToRight ? k % request.picturesY : k / request.picturesX;
        decoder.draw(image, picturePosition(state.offset, first + k, stride),
            int(column * g.cellWidth), int(row * g.cellHeight));
    }
}

} // namespace

bool writePng(const QImage &image, const QString &fileName)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, QByteArrayLiteral("png"));
    if (!writer.write(image)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

Result check(const RipperState &state, const Request &request)
{
    const std::int64_t cellWidth = 8 * std::int64_t(state.blXSize) + request.border;
    const std::int64_t cellHeight = std::int64_t(state.blYSize) + request.border;
    if (cellWidth <= 0 || cellHeight <= 0 || request.picturesX <= 0 || request.picturesY <= 0)
        return Result::Empty;
    if (cellWidth > MaxSide || cellHeight > MaxSide)
        return Result::TooLarge;
    const Geometry g = geometryOf(state, request);
    if (g.width > MaxSide || g.height > MaxSide || g.width * g.height > MaxPixels)
        return Result::TooLarge;
    return Result::Written;
}

// The request's grid from picture `first` on.
static QImage composeFrom(const RipperState &state, const Request &request, std::int64_t first)
{
    if (check(state, request) != Result::Written)
        return QImage();
    const Geometry g = geometryOf(state, request);
    QImage image(int(g.width), int(g.height), QImage::Format_Indexed8);
    if (image.isNull())
        return image;
    // A fixed resolution (96 dpi): the file must not depend on the screen it was made on.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    // A full table while drawing; the file gets the canvas's colours.
    Palette::setDefaultPalette(image);
    image.fill(uint(request.color) & 0xFFu);
    placePictures(state, request, g, image, first);
    QList<QRgb> table = paletteFor(state, image.colorTable());
    // The PNG gets a tRNS chunk for it.
    if (request.transparent >= 0 && request.transparent < table.size())
        table[request.transparent] &= 0x00FFFFFFu;
    image.setColorTable(table);
    return image;
}

QImage compose(const RipperState &state, const Request &request)
{
    return composeFrom(state, request, 0);
}

Result exportPictures(const RipperState &state, const Request &request, const QString &fileName)
{
    const Result feasible = check(state, request);
    if (feasible != Result::Written)
        return feasible;
    const QImage image = compose(state, request);
    if (image.isNull())
        return Result::TooLarge;
    return writePng(image, fileName) ? Result::Written : Result::WriteFailed;
}

} // namespace Exporter

namespace Exporter {

QString splitFileName(const QString &fileName, std::int64_t k, std::int64_t count)
{
    const QString suffix = QFileInfo(fileName).suffix();
    const QString base = suffix.isEmpty() ? fileName : fileName.chopped(suffix.size() + 1);
    const int digits
        = std::max(3, int(QString::number(std::max<std::int64_t>(count - 1, 0)).size()));
    return QStringLiteral("%1-%2.%3")
        .arg(base)
        .arg(k, digits, 10, QLatin1Char('0'))
        .arg(suffix.isEmpty() ? QStringLiteral("png") : suffix);
}

QImage composePicture(const RipperState &state, const Request &request, std::int64_t k)
{
    Request one;
    one.color = request.color;
    one.transparent = request.transparent;
    return composeFrom(state, one, k);
}

SplitResult exportEach(const RipperState &state, const Request &request, const QString &fileName,
    const ImageWriter &write)
{
    SplitResult outcome;
    Request one;
    const std::int64_t count = std::int64_t(request.picturesX) * request.picturesY;
    outcome.result = check(state, one);
    if (outcome.result == Result::Written && (request.picturesX <= 0 || request.picturesY <= 0))
        outcome.result = Result::Empty;
    const std::int64_t pixels = 8 * std::int64_t(state.blXSize) * state.blYSize;
    if (outcome.result == Result::Written && (count > MaxFiles || count * pixels > MaxPixels))
        outcome.result = Result::TooLarge;
    for (std::int64_t k = 0; outcome.result == Result::Written && k < count; ++k) {
        const QString name = splitFileName(fileName, k, count);
        if (!write(composePicture(state, request, k), name)) {
            outcome.result = Result::WriteFailed;
            outcome.failedFile = name;
        } else {
            ++outcome.written;
        }
    }
    return outcome;
}

} // namespace Exporter
