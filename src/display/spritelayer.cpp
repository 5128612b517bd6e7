#include "spritelayer.h"

#include <algorithm>

namespace SpriteLayer {

using namespace ChipRegisters;

int spritePixelsPerLores(const DisplayState &s)
{
    const int resolution = s.aga() ? (s.registers().word(BPLCON3) >> 6) & 3 : 0;
    return resolution == 3 ? 4 : resolution == 2 ? 2 : 1;
}

int spriteBank(const DisplayState &s, bool odd)
{
    return s.aga() ? (s.registers().word(BPLCON4) >> (odd ? 0 : 4)) & 0xF : 1;
}

void draw(const DisplayState &s, const SpriteDma::Field &field, int line, const Geometry &g,
    const std::vector<std::uint8_t> &playfield, const std::array<QRgb, 256> &colours,
    int spriteBase, const LineOut &out, std::vector<std::uint8_t> &scratch)
{
    const std::array<int, 8> &shown = field.lineData[std::size_t(line)];
    if (std::all_of(shown.begin(), shown.end(), [](int i) { return i < 0; }))
        return;
    const int width = g.width;
    scratch.assign(std::size_t(8 * width), 0);
    std::array<bool, 8> attached {};
    int spanStart = width; // the columns any sprite covers
    int spanEnd = 0;
    const int shift = shiftOf(g.scale / spritePixelsPerLores(s));
    for (int c = 0; c < 8; ++c) {
        if (shown[std::size_t(c)] < 0)
            continue;
        const SpriteDma::LineData &d = field.shown[std::size_t(shown[std::size_t(c)])];
        const SpriteDma::Piece &piece = field.pieces[std::size_t(d.piece)];
        attached[std::size_t(c)] = piece.attach;
        const int first = (piece.hstart + 1 - g.left) * g.scale;
        const int pixels = 16 * piece.words;
        const int start = std::max(first, 0);
        const int end = int(std::min<std::int64_t>(width, first + (std::int64_t(pixels) << shift)));
        for (int x = start; x < end; ++x) {
            const int j = (x - first) >> shift;
            const int bit = 15 - j % 16;
            const int word = j / 16;
            scratch[std::size_t(c * width + x)]
                = std::uint8_t((d.data[std::size_t(word)] >> bit & 1)
                    | (d.datb[std::size_t(word)] >> bit & 1) << 1);
        }
        spanStart = std::min(spanStart, start);
        spanEnd = std::max(spanEnd, end);
    }
    const Registers &r = s.registers();
    const int pf1Priority = r.word(BPLCON2) & 7;
    const int pf2Priority = (r.word(BPLCON2) >> 3) & 7;
    const bool dual = r.word(BPLCON0) & DualPlayfield;
    const int evenBank = 16 * spriteBank(s, false);
    const int oddBank = 16 * spriteBank(s, true);
    for (int x = spanStart; x < spanEnd; ++x) {
        int colour = 0;
        int channel = -1;
        for (int pair = 0; pair < 4 && channel < 0; ++pair) {
            const int even = scratch[std::size_t(2 * pair * width + x)];
            const int odd = scratch[std::size_t((2 * pair + 1) * width + x)];
            if (attached[std::size_t(2 * pair + 1)] && (even | odd)) {
                colour = oddBank + (odd << 2 | even);
                channel = shown[std::size_t(2 * pair)] >= 0 ? 2 * pair : 2 * pair + 1;
            } else if (even || odd) {
                colour = (even ? evenBank : oddBank) + 4 * pair + (even ? even : odd);
                channel = even ? 2 * pair : 2 * pair + 1;
            }
        }
        if (channel < 0)
            continue;
        const int pair = channel / 2;
        const int v = playfield[std::size_t(x)];
        const bool inFront = dual
            ? (!oddPlanes(v) || pair < pf1Priority) && (!evenPlanes(v) || pair < pf2Priority)
            : !v || pair < pf2Priority;
        if (!inFront)
            continue;
        out.rgb[x] = colours[std::size_t(colour & 0xFF)];
        out.indices[x] = std::int16_t(colour & 0xFF);
        const SpriteDma::LineData &d = field.shown[std::size_t(shown[std::size_t(channel)])];
        out.spriteAt[x] = std::int16_t(spriteBase + d.piece);
    }
}

} // namespace SpriteLayer
