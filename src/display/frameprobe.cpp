#include "frameprobe.h"

namespace FrameRender {

namespace {

bool inside(const Frame &frame, QPoint at)
{
    return !frame.image.isNull() && frame.image.rect().contains(at);
}

std::size_t pixelIndex(const Frame &frame, QPoint at)
{
    return std::size_t(at.y()) * std::size_t(frame.image.width()) + std::size_t(at.x());
}

QString colourText(const Frame &frame, QPoint at)
{
    const int index = frame.indices[pixelIndex(frame, at)];
    const QString rgb = QStringLiteral("#%1")
                            .arg(frame.image.pixel(at) & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                            .toUpper();
    return index < 0 ? QStringLiteral("HAM colour %1").arg(rgb)
                     : QStringLiteral("colour %1 %2").arg(index).arg(rgb);
}

QString spriteText(const Frame &frame, QPoint at, const Sprite &sprite)
{
    const SpriteDma::Piece &piece = sprite.piece;
    const int first = (piece.hstart + 1 - frame.left) * frame.scale;
    const int j = (at.x() - first) >> sprite.pixelShift;
    const int line = frame.rows[std::size_t(at.y())].line - piece.firstLine;
    const std::int64_t address
        = std::int64_t(piece.data) + std::int64_t(line) * 4 * piece.words + j / 16 * 2 + j % 16 / 8;
    const QString name = sprite.partner >= 0
        ? QStringLiteral("%1+%2").arg(piece.channel).arg(piece.channel + 1)
        : QString::number(piece.channel);
    return QStringLiteral("Sprite %1, pixel (%2, %3), %4, chip %5")
        .arg(name)
        .arg(j)
        .arg(line)
        .arg(colourText(frame, at), CopperWalk::chipAddressText(address));
}

QString playfieldText(const Frame &frame, QPoint at, const Row &row)
{
    const CopperWalk::Screen &screen = frame.screens[std::size_t(row.screen)];
    const int i = (at.x() - row.playfieldLeft[0]) >> row.playfieldShift;
    const std::int64_t stride = screen.rowStep(0);
    const std::int64_t down = std::int64_t(row.pointers[0]) - screen.pointer(0);
    const std::int64_t y = stride > 0 ? down / stride : row.line - screen.firstLine;
    QString text = QStringLiteral("Screen %1, pixel (%2, %3), %4")
                       .arg(row.screen + 1)
                       .arg(i)
                       .arg(y)
                       .arg(colourText(frame, at));
    if (i >= 0 && i < 8 * row.fetchBytes)
        text += QStringLiteral(", chip %1")
                    .arg(CopperWalk::chipAddressText(std::int64_t(row.pointers[0]) + i / 8));
    return text;
}

} // namespace

Target targetAt(const Frame &frame, QPoint at)
{
    Target target;
    if (!inside(frame, at))
        return target;
    const int sprite = frame.spriteAt[pixelIndex(frame, at)];
    const Row &row = frame.rows[std::size_t(at.y())];
    if (sprite >= 0) {
        target.kind = Target::Sprite;
        target.sprite = sprite;
    } else if (row.screen >= 0) {
        target.kind = Target::Playfield;
        target.screen = row.screen;
        target.lineOffset = frame.chipRamFirst + row.pointers[0];
    }
    return target;
}

QString describePixel(const Frame &frame, QPoint at)
{
    const Target target = targetAt(frame, at);
    if (target.kind == Target::Sprite)
        return spriteText(frame, at, frame.sprites[std::size_t(target.sprite)]);
    if (target.kind == Target::Playfield)
        return playfieldText(frame, at, frame.rows[std::size_t(at.y())]);
    if (!inside(frame, at))
        return QString();
    return QStringLiteral("Line %1, no bitplanes, %2")
        .arg(frame.rows[std::size_t(at.y())].line)
        .arg(colourText(frame, at));
}

} // namespace FrameRender
