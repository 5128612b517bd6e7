#include "spriteview.h"

#include "screenview.h"

#include <algorithm>

namespace SpriteView {

std::vector<int> listed(const FrameRender::Frame &frame)
{
    std::vector<int> indices;
    for (std::size_t i = 0; i < frame.sprites.size(); ++i) {
        if (!frame.sprites[i].joined)
            indices.push_back(int(i));
    }
    return indices;
}

QStringList apply(RipperState &state, const FrameRender::Frame &frame, int index)
{
    const FrameRender::Sprite &sprite = frame.sprites[std::size_t(index)];
    const SpriteDma::Piece &piece = sprite.piece;
    ScreenView::Layout layout;
    layout.offset = frame.chipRamFirst + piece.data;
    layout.width = 2 * piece.words;
    layout.height = std::max(piece.lines, 1);
    layout.planes = 2;
    layout.mode = RipperState::ModeST;
    ScreenView::putOnView(state, layout);
    QList<QRgb> table = state.canvas.colorTable();
    table.resize(256);
    table[0] = sprite.colours[0];
    for (int i = 1; i < 4; ++i)
        table[i] = sprite.colours[std::size_t(sprite.firstColour + i - 1)];
    state.canvas.setColorTable(table);
    QStringList notes;
    if (sprite.partner >= 0)
        notes << QStringLiteral("attached: the odd sprite's data lies at %1")
                     .arg(CopperWalk::chipAddressText(
                         frame.sprites[std::size_t(sprite.partner)].piece.data));
    return notes;
}

} // namespace SpriteView
