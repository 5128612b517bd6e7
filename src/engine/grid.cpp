#include "grid.h"

#include "decodeparams.h"
#include "decoder.h"
#include "picturedecoder.h"

namespace Grid {

std::int64_t pictureStride(const RipperState &state)
{
    const DecodeParams p(state);
    if (p.skipmode == RipperState::SkipPictures)
        return p.N * p.H * p.W + p.S;
    return (p.H * p.W + p.S) * p.N;
}

std::int64_t cellWidth(const RipperState &state)
{
    return 8 * std::int64_t(state.blXSize) + Gap;
}

std::int64_t cellHeight(const RipperState &state)
{
    return std::int64_t(state.blYSize) + Gap;
}

std::int64_t picturePosition(const RipperState &state, int number)
{
    return state.offset + pictureStride(state) * number;
}

int columnsFor(int blXSize)
{
    const std::int64_t cell = 8 * std::int64_t(blXSize) + Gap;
    return cell > 0 && CanvasWidth / cell > 0 ? int(CanvasWidth / cell) : 1;
}

int rowsFor(int blYSize)
{
    const std::int64_t cell = std::int64_t(blYSize) + Gap;
    return cell > 0 && CanvasHeight / cell > 0 ? int(CanvasHeight / cell) : 1;
}

void drawGrid(const RipperState &state, QImage &canvas)
{
    PictureDecoder decoder(state);
    canvas.fill(BackgroundIndex);
    const PictureDecoder::Target target(canvas);
    const std::int64_t stride = pictureStride(state);
    for (int r = 0; r < state.numY; ++r) {
        decoder.drawRow(target, picturePosition(state, r * state.numX), stride, state.numX,
            cellWidth(state), r * cellHeight(state));
    }
}

void drawGridLiteral(const RipperState &state, QImage &canvas)
{
    canvas.fill(BackgroundIndex);
    for (int r = 0; r < state.numY; ++r) {
        for (int c = 0; c < state.numX; ++c) {
            Decoder::drawPictureLiteral(state, canvas, picturePosition(state, r * state.numX + c),
                int(c * cellWidth(state)), int(r * cellHeight(state)));
        }
    }
}

} // namespace Grid
