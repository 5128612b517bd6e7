#include "pointerreadout.h"

#include "chunks.h"
#include "grid.h"

namespace PointerReadout {

namespace {

QString hex(std::int64_t value, int digits)
{
    return QString::number(value, 16).rightJustified(digits, QLatin1Char('0')).toUpper();
}

} // namespace

std::optional<Hit> pictureAt(const RipperState &state, int x, int y)
{
    // Sizes below 1 (an unclamped state) would make a cell of zero height.
    if (!state.fileLoaded || state.blXSize < 1 || state.blYSize < 1 || x < 0 || y < 0
        || x >= state.canvas.width() || y >= state.canvas.height())
        return std::nullopt;
    const std::int64_t column = x / Grid::cellWidth(state);
    const std::int64_t row = y / Grid::cellHeight(state);
    const std::int64_t inX = x - column * Grid::cellWidth(state);
    const std::int64_t inY = y - row * Grid::cellHeight(state);
    if (column >= state.numX || row >= state.numY || inX >= 8 * std::int64_t(state.blXSize)
        || inY >= state.blYSize)
        return std::nullopt;
    const int number = int(row * state.numX + column);
    return Hit { number, Grid::picturePosition(state, number), int(inX), int(inY) };
}

std::optional<Readout> readoutAt(const RipperState &state, int x, int y)
{
    const std::optional<Hit> hit = pictureAt(state, x, y);
    if (!hit)
        return std::nullopt;
    Readout readout;
    readout.hit = *hit;
    readout.plane0 = Decoder::planeBit(state, hit->position, 0, hit->x, hit->y);
    const std::optional<Chunks::ChipRam> chip = Chunks::chipRam(state);
    if (readout.plane0 && chip && chip->contains(readout.plane0->byte))
        readout.chipAddress = readout.plane0->byte - chip->first;
    readout.colour = Decoder::pixelValue(state, hit->position, hit->x, hit->y);
    if (readout.colour < state.canvas.colorCount())
        readout.rgb = state.canvas.color(readout.colour);
    return readout;
}

QString text(const Readout &r)
{
    const QString separator = QStringLiteral(" \u00B7 ");
    QString line = QStringLiteral("#%1 @ %2").arg(r.hit.picture).arg(r.hit.position) + separator
        + QStringLiteral("x %1 y %2").arg(r.hit.x).arg(r.hit.y) + separator;
    if (r.plane0) {
        line += QStringLiteral("byte %1 bit %2").arg(r.plane0->byte).arg(r.plane0->bit);
        if (r.chipAddress)
            line += QStringLiteral(" (chip $%1)").arg(hex(*r.chipAddress, 6));
        line += separator;
    }
    return line + QStringLiteral("colour %1 #%2").arg(r.colour).arg(hex(r.rgb & 0xFFFFFF, 6));
}

QString textAt(const RipperState &state, int x, int y)
{
    const std::optional<Readout> readout = readoutAt(state, x, y);
    return readout ? text(*readout) : QString();
}

} // namespace PointerReadout
