#include "decoder.h"

#include "decodeparams.h"
#include "picturedecoder.h"

namespace Decoder {

int pixelValue(const RipperState &state, std::int64_t position, int x, int y)
{
    const DecodeParams p(state);
    int fetched[8] = {}; // the eight fetch slots
    for (int i = 0; i < p.N; ++i) {
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
            continue; // an unknown mode has no plane address: the slot stays empty
        }
        if (p.skipmode == RipperState::SkipBitplanes)
            base += i * p.S;
        const std::int64_t address = base + bitIndex / 8;
        const int bit = 7 - int(bitIndex % 8);
        const int slot = p.slotOfPlane(i);
        fetched[slot] = address >= 0 && address < p.size ? (p.data[address] >> bit) & 1 : 0;
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
