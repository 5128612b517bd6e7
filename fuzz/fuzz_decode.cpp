// Decoding at any position with any parameters: the fast picture decoder must draw exactly what
// the literal per-pixel decoder gives, into a small destination at any place, and touch nothing
// else.
#include "decodeparams.h"
#include "decoder.h"
#include "fuzzsupport.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <limits>

using FuzzSupport::require;

namespace {

constexpr int MaxDestSide = 64;
// Pictures up to this many pixels are checked through drawPictureLiteral itself, which walks
// every pixel of the picture; larger ones only through the pixels the destination shows.
constexpr std::int64_t LiteralPictureLimit = 1 << 16;

int anyInt(FuzzedDataProvider &in)
{
    return in.ConsumeIntegral<int>();
}

// Mostly a value from the view's range, sometimes any int at all.
int field(FuzzedDataProvider &in, int low, int high)
{
    return in.ConsumeIntegralInRange(0, 15) == 0 ? anyInt(in) : in.ConsumeIntegralInRange(low, high);
}

void readParameters(FuzzedDataProvider &in, RipperState &state)
{
    const int modeChoice = in.ConsumeIntegralInRange(0, 15);
    state.mode = modeChoice < 14 ? modeChoice % 5 : anyInt(in);
    state.bits = field(in, 1, 8);
    state.blXSize = field(in, 1, 4000);
    state.blYSize = field(in, 1, 600);
    state.skip = field(in, 0, 2048);
    state.skipmode = field(in, 0, 1);
    state.reverse = in.ConsumeBool();
    for (int &entry : state.bitplaneorder)
        entry = field(in, 0, 7);
}

// Where the picture starts, relative to the data: inside, before, past the end, around 2^31 and
// -2^31, or as far as a grid can step (offset plus thousands of the largest picture strides).
struct PositionChoice
{
    int kind;
    std::int64_t amount;

    std::int64_t resolve(std::int64_t size) const
    {
        switch (kind) {
        case 0: return size > 0 ? amount % (size + 1) : 0;
        case 1: return -(amount % (1 << 20)) - 1;
        case 2: return size + amount % (1 << 20);
        case 3: return (std::int64_t(1) << 31) + amount % 70000 - 35000;
        case 4: return -(std::int64_t(1) << 31) + amount % 70000 - 35000;
        default: return amount % (std::int64_t(1) << 53) - (std::int64_t(1) << 52);
        }
    }
};

PositionChoice readPosition(FuzzedDataProvider &in)
{
    const int kind = in.ConsumeIntegralInRange(0, 5);
    return { kind, in.ConsumeIntegralInRange<std::int64_t>(0, std::numeric_limits<std::int64_t>::max()) };
}

// Mostly a place that shows part of the picture, sometimes any int.
int readCorner(FuzzedDataProvider &in, int destSide)
{
    return in.ConsumeIntegralInRange(0, 7) == 0 ? anyInt(in)
                                                : in.ConsumeIntegralInRange(-200, destSide + 8);
}

// The literal reference for pictures too large to walk whole: every destination pixel that
// the picture covers gets its pixelValue.
void drawVisibleLiteral(
    const RipperState &state, QImage &dest, std::int64_t position, int left, int top)
{
    const DecodeParams p(state);
    for (int py = 0; py < dest.height(); ++py) {
        const std::int64_t y = std::int64_t(py) - top;
        if (y < 0 || y >= p.H)
            continue;
        for (int px = 0; px < dest.width(); ++px) {
            const std::int64_t x = std::int64_t(px) - left;
            if (x >= 0 && x < 8 * p.W)
                dest.scanLine(py)[px] = std::uint8_t(Decoder::pixelValue(state, position, int(x), int(y)));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    RipperState state;
    readParameters(in, state);
    const int destWidth = in.ConsumeIntegralInRange(1, MaxDestSide);
    const int destHeight = in.ConsumeIntegralInRange(1, MaxDestSide);
    const int left = readCorner(in, destWidth);
    const int top = readCorner(in, destHeight);
    const std::uint8_t fill = in.ConsumeIntegral<std::uint8_t>();
    const int sizeChoice = in.ConsumeIntegralInRange(0, 7);
    const PositionChoice where = readPosition(in);
    const std::vector<std::uint8_t> bytes = in.ConsumeRemainingBytes<std::uint8_t>();
    const std::int64_t position = where.resolve(std::int64_t(bytes.size()));

    state = [&] {
        RipperState loaded = FuzzSupport::loadedState(bytes);
        loaded.mode = state.mode;
        loaded.bits = state.bits;
        loaded.blXSize = state.blXSize;
        loaded.blYSize = state.blYSize;
        loaded.skip = state.skip;
        loaded.skipmode = state.skipmode;
        loaded.reverse = state.reverse;
        loaded.bitplaneorder = state.bitplaneorder;
        return loaded;
    }();
    // A filesize that claims more than fileData holds must read as the bytes held.
    if (sizeChoice == 0)
        state.filesize = int(bytes.size()) + 1000;
    else if (sizeChoice == 1)
        state.filesize = int(bytes.size() / 2);

    QImage fast(destWidth, destHeight, QImage::Format_Indexed8);
    fast.fill(fill);
    QImage literal = fast.copy();
    Decoder::drawPicture(state, fast, position, left, top);

    const DecodeParams p(state);
    if (8 * p.W * p.H <= LiteralPictureLimit)
        Decoder::drawPictureLiteral(state, literal, position, left, top);
    else
        drawVisibleLiteral(state, literal, position, left, top);

    require(fast.sizeInBytes() == literal.sizeInBytes(), "destinations keep their size");
    require(std::memcmp(fast.constBits(), literal.constBits(), std::size_t(fast.sizeInBytes())) == 0,
        "drawPicture equals the literal decoder, padding included");
    return 0;
}
