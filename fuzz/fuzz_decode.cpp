// Decoding at any position with any parameters: the fast picture decoder must draw exactly what
// the literal per-pixel decoder gives, into a small destination at any place, and touch nothing
// else.
#include "decodeparams.h"
#include "decoder.h"
#include "fuzzsupport.h"
#include "grid.h"
#include "planarsimd.h"
#include "viewranges.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <limits>

using FuzzSupport::require;

namespace {

constexpr int MaxDestSide = 64;
// Wide, flat destinations reach the SIMD blocks (128 or 256 pixels across).
constexpr int MaxWideWidth = 640;
constexpr int MaxWideHeight = 8;
// Pictures up to this many pixels are checked through drawPictureLiteral itself, which walks
// every pixel of the picture; larger ones only through the pixels the destination shows.
constexpr std::int64_t LiteralPictureLimit = 1 << 16;
constexpr int MaxGridWidth = 128;
constexpr int MaxGridHeight = 40;

// Every instruction set the decoder may pick.
constexpr PlanarSimd::Level Levels[]
    = { PlanarSimd::Level::Scalar, PlanarSimd::Level::Sse2, PlanarSimd::Level::Avx2,
          PlanarSimd::Level::Avx512 };

int anyInt(FuzzedDataProvider &in)
{
    return in.ConsumeIntegral<int>();
}

// Mostly a value from the view's range, sometimes any int at all.
int field(FuzzedDataProvider &in, int low, int high)
{
    return in.ConsumeIntegralInRange(0, 15) == 0 ? anyInt(in)
                                                 : in.ConsumeIntegralInRange(low, high);
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
        case 0:
            return size > 0 ? amount % (size + 1) : 0;
        case 1:
            return -(amount % (1 << 20)) - 1;
        case 2:
            return size + amount % (1 << 20);
        case 3:
            return (std::int64_t(1) << 31) + amount % 70000 - 35000;
        case 4:
            return -(std::int64_t(1) << 31) + amount % 70000 - 35000;
        default:
            return amount % (std::int64_t(1) << 53) - (std::int64_t(1) << 52);
        }
    }
};

PositionChoice readPosition(FuzzedDataProvider &in)
{
    const int kind = in.ConsumeIntegralInRange(0, 5);
    return { kind,
        in.ConsumeIntegralInRange<std::int64_t>(0, std::numeric_limits<std::int64_t>::max()) };
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
                dest.scanLine(py)[px]
                    = std::uint8_t(Decoder::pixelValue(state, position, int(x), int(y)));
        }
    }
}

// The parameters a finding needs to become a unit test.
void printParameters(
    const RipperState &s, std::int64_t position, int destWidth, int destHeight, int left, int top)
{
    std::fprintf(stderr,
        "mode %d bits %d blXSize %d blYSize %d skip %d skipmode %d reverse %d order %d %d %d %d "
        "%d %d %d %d\nfilesize %d bytes %zu position %lld dest %dx%d at (%d, %d)\n",
        s.mode, s.bits, s.blXSize, s.blYSize, s.skip, s.skipmode, int(s.reverse),
        s.bitplaneorder[0], s.bitplaneorder[1], s.bitplaneorder[2], s.bitplaneorder[3],
        s.bitplaneorder[4], s.bitplaneorder[5], s.bitplaneorder[6], s.bitplaneorder[7], s.filesize,
        s.fileData.size(), static_cast<long long>(position), destWidth, destHeight, left, top);
}

void describeMismatch(const QImage &fast, const QImage &literal, PlanarSimd::Level level)
{
    std::fprintf(stderr, "at level %d ", int(level));
    for (int y = 0; y < fast.height(); ++y) {
        for (int x = 0; x < fast.width(); ++x) {
            if (fast.pixelIndex(x, y) != literal.pixelIndex(x, y)) {
                std::fprintf(stderr, "first difference at (%d, %d): %d, literal %d\n", x, y,
                    fast.pixelIndex(x, y), literal.pixelIndex(x, y));
                return;
            }
        }
    }
    std::fprintf(stderr, "pixels agree; the difference is in the line padding\n");
}

// QImage::fill leaves the line padding as it was; the whole buffer is set here so the padding
// can be compared too.
QImage filledDestination(int width, int height, std::uint8_t fill)
{
    QImage image(width, height, QImage::Format_Indexed8);
    std::memset(image.bits(), fill, std::size_t(image.sizeInBytes()));
    return image;
}

bool sameBytes(const QImage &a, const QImage &b)
{
    return a.sizeInBytes() == b.sizeInBytes()
        && std::memcmp(a.constBits(), b.constBits(), std::size_t(a.sizeInBytes())) == 0;
}

// The literal grid, pixel by pixel over the canvas only: the cell a pixel falls in, and in it
// the picture's pixelValue or, in the gaps and past the last cell, the background.
QImage literalGrid(const RipperState &state, int width, int height)
{
    QImage canvas = filledDestination(width, height, 0x5A);
    const std::int64_t cellWidth = 8 * std::int64_t(state.blXSize) + Grid::Gap;
    const std::int64_t cellHeight = std::int64_t(state.blYSize) + Grid::Gap;
    const std::int64_t stride = Grid::pictureStride(state);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::int64_t c = x / cellWidth, r = y / cellHeight;
            const std::int64_t px = x % cellWidth, py = y % cellHeight;
            int index = Grid::BackgroundIndex;
            if (c < state.numX && r < state.numY && px < cellWidth - Grid::Gap
                && py < cellHeight - Grid::Gap) {
                const std::int64_t position = state.offset + stride * (r * state.numX + c);
                index = Decoder::pixelValue(state, position, int(px), int(py));
            }
            canvas.scanLine(y)[x] = std::uint8_t(index);
        }
    }
    return canvas;
}

// The grid as the window draws it after a refresh, on a small canvas that cuts most of the
// pictures off.
void checkGrid(RipperState state, std::int64_t position, int width, int height)
{
    state.offset = int(std::clamp<std::int64_t>(
        position, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    ViewRanges::clamp(state);
    state.numX = Grid::columnsFor(state.blXSize);
    state.numY = Grid::rowsFor(state.blYSize);
    const QImage literal = literalGrid(state, width, height);
    for (PlanarSimd::Level level : Levels) {
        PlanarSimd::setMaxLevel(level);
        QImage fast = filledDestination(width, height, 0x5A);
        Grid::drawGrid(state, fast);
        require(sameBytes(fast, literal), "drawGrid equals the literal grid");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    RipperState state;
    readParameters(in, state);
    const bool wide = in.ConsumeIntegralInRange(0, 3) == 0;
    const int destWidth = in.ConsumeIntegralInRange(1, wide ? MaxWideWidth : MaxDestSide);
    const int destHeight = in.ConsumeIntegralInRange(1, wide ? MaxWideHeight : MaxDestSide);
    const int left = readCorner(in, destWidth);
    const int top = readCorner(in, destHeight);
    const std::uint8_t fill = in.ConsumeIntegral<std::uint8_t>();
    const int gridWidth = in.ConsumeIntegralInRange(1, MaxGridWidth);
    const int gridHeight = in.ConsumeIntegralInRange(1, MaxGridHeight);
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

    // Printed before drawing, so a sanitizer report that stops the run also has them.
    static const bool verbose = std::getenv("PELVANE_FUZZ_VERBOSE") != nullptr;
    if (verbose)
        printParameters(state, position, destWidth, destHeight, left, top);
    QImage literal = filledDestination(destWidth, destHeight, fill);
    const DecodeParams p(state);
    if (8 * p.W * p.H <= LiteralPictureLimit)
        Decoder::drawPictureLiteral(state, literal, position, left, top);
    else
        drawVisibleLiteral(state, literal, position, left, top);

    for (PlanarSimd::Level level : Levels) {
        PlanarSimd::setMaxLevel(level);
        QImage fast = filledDestination(destWidth, destHeight, fill);
        Decoder::drawPicture(state, fast, position, left, top);
        if (!sameBytes(fast, literal)) {
            printParameters(state, position, destWidth, destHeight, left, top);
            describeMismatch(fast, literal, level);
        }
        require(
            sameBytes(fast, literal), "drawPicture equals the literal decoder, padding included");
    }
    checkGrid(state, position, gridWidth, gridHeight);
    return 0;
}
