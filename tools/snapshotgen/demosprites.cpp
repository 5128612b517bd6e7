#include "demosprites.h"

#include "snapshotwriter.h"

using SnapshotWriter::bigEndian16;

namespace DemoSprites {

namespace {

constexpr int WindowLeft = 0x81; // DIWSTRT's horizontal start
constexpr int WindowTop = 0x2C;
constexpr int Side = 16;
constexpr std::uint32_t OddOffset = 0x100;

// A sprite's colour values by their squared distance from the point (cx, cy) / 2.
template<typename Rule> QImage byDistance(int cx, int cy, Rule colour)
{
    QImage image(Side, Side, QImage::Format_Indexed8);
    image.setColorCount(16);
    for (int y = 0; y < Side; ++y) {
        for (int x = 0; x < Side; ++x)
            image.setPixel(x, y, colour((2 * x - cx) * (2 * x - cx) + (2 * y - cy) * (2 * y - cy)));
    }
    return image;
}

// A ring in colours 1 to 3.
QImage ring()
{
    return byDistance(15, 15, [](int d) {
        return d > 225 ? 0 : d > 150 ? 1 : d > 80 ? 2 : d > 30 ? 3 : 0;
    });
}

// A disc shaded through all fifteen colours of an attached pair.
QImage disc()
{
    return byDistance(11, 11, [](int d) { return d >= 256 ? 0 : 15 - d / 18; });
}

// POS, CTL, one DATA and DATB per line from `bit` and `bit` + 1 of each value, two zero words.
QByteArray channelData(const Sprite &sprite, int bit, bool attach)
{
    const int hstart = WindowLeft - 1 + sprite.x;
    const int vstart = WindowTop + sprite.y;
    const int vstop = vstart + sprite.picture.height();
    QByteArray data = bigEndian16(std::uint16_t((vstart & 0xFF) << 8 | (hstart >> 1 & 0xFF)))
        + bigEndian16(std::uint16_t((vstop & 0xFF) << 8 | (attach ? 0x80 : 0) | (vstart >> 8) << 2
            | (vstop >> 8) << 1 | (hstart & 1)));
    for (int y = 0; y < sprite.picture.height(); ++y) {
        std::uint16_t low = 0, high = 0;
        for (int x = 0; x < Side; ++x) {
            const int value = sprite.picture.pixelIndex(x, y) >> bit;
            low |= std::uint16_t((value & 1) << (15 - x));
            high |= std::uint16_t((value >> 1 & 1) << (15 - x));
        }
        data += bigEndian16(low) + bigEndian16(high);
    }
    return data + bigEndian16(0) + bigEndian16(0);
}

} // namespace

QList<Sprite> sprites()
{
    Sprite plain { 0, false, 0x5C000, 24, 150, ring() };
    Sprite pair { 2, true, 0x5C400, 200, 100, disc() };
    return { plain, pair };
}

QList<std::pair<std::uint32_t, QByteArray>> chipData(const QList<Sprite> &sprites)
{
    QList<std::pair<std::uint32_t, QByteArray>> data;
    for (const Sprite &s : sprites) {
        data << std::pair(s.chipAddress, channelData(s, 0, false));
        if (s.attached)
            data << std::pair(s.chipAddress + OddOffset, channelData(s, 2, true));
    }
    return data;
}

QByteArray pointerMoves(const QList<Sprite> &sprites)
{
    QByteArray moves;
    for (const Sprite &s : sprites) {
        moves
            += SnapshotWriter::copperMoveLong(std::uint16_t(0x120 + 4 * s.channel), s.chipAddress);
        if (s.attached)
            moves += SnapshotWriter::copperMoveLong(
                std::uint16_t(0x120 + 4 * (s.channel + 1)), s.chipAddress + OddOffset);
    }
    return moves;
}

} // namespace DemoSprites
