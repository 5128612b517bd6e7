#include "decoder.h"

#include "decodeparams.h"
#include "picturedecoder.h"

namespace Decoder {

namespace {

std::optional<BitAddress> planeBitOf(
    const DecodeParams &p, std::int64_t position, int i, std::int64_t x, std::int64_t y)
{
    std::int64_t base = 0;
    std::int64_t bitIndex = 0;
    switch (p.mode) {
    case RipperState::ModeAM:
        base = position + i * p.W * p.H;
        bitIndex = 8 * p.W * y + x;
        break;
    case RipperState::ModeST:
        base = position + i * p.W;
        bitIndex = 8 * p.W * p.N * y + x;
        break;
    case RipperState::ModeSP:
        base = i < 2 ? position + i * p.W : position + (i + 2 * p.H - 2) * p.W;
        bitIndex = 16 * p.W * y + x;
        break;
    case RipperState::ModeCplus:
        base = position + x / 8 + i;
        bitIndex = 16 * p.W * y + x;
        break;
    case RipperState::ModeCminus:
        base = position + x / 4 + 2 * p.W * y;
        bitIndex = x % 4 + 4 * i;
        break;
    default:
        return std::nullopt; // an unknown mode has no plane address
    }
    if (p.skipmode == RipperState::SkipBitplanes)
        base += i * p.S;
    return BitAddress { base + bitIndex / 8, 7 - int(bitIndex % 8) };
}

} // namespace

std::optional<BitAddress> planeBit(
    const RipperState &state, std::int64_t position, int plane, int x, int y)
{
    return planeBitOf(DecodeParams(state), position, plane, x, y);
}

int pixelValue(const RipperState &state, std::int64_t position, int x, int y)
{
    const DecodeParams p(state);
    int fetched[8] = {}; // the eight fetch slots; an unknown mode leaves them empty
    for (int i = 0; i < p.N; ++i) {
        const std::optional<BitAddress> at = planeBitOf(p, position, i, x, y);
        if (!at)
            continue;
        fetched[p.slotOfPlane(i)]
            = at->byte >= 0 && at->byte < p.size ? (p.data[at->byte] >> at->bit) & 1 : 0;
    }
    int index = 0;
    for (int j = 0; j < p.N; ++j) {
        if (p.order[j] >= 0 && p.order[j] < 8)
            index |= fetched[p.order[j]] << j;
    }
    return index;
}

void drawPicture(const RipperState &state, QImage &dest, std::int64_t position, int left, int top)
{
    PictureDecoder(state).draw(dest, position, left, top);
}

void drawPictureLiteral(
    const RipperState &state, QImage &dest, std::int64_t position, int left, int top)
{
    const std::int64_t width = 8 * std::int64_t(DecodeParams(state).W);
    const std::int64_t height = DecodeParams(state).H;
    for (std::int64_t x = 0; x < width; ++x) {
        for (std::int64_t y = 0; y < height; ++y) {
            const std::int64_t px = left + x;
            const std::int64_t py = top + y;
            if (px < 0 || py < 0 || px >= dest.width() || py >= dest.height())
                continue;
            dest.scanLine(int(py))[px] = std::uint8_t(pixelValue(state, position, int(x), int(y)));
        }
    }
}

} // namespace Decoder
