// Decoding at any position with any parameters: the fast picture decoder must draw exactly what
// the literal per-pixel decoder gives, into a small destination at any place, and touch nothing
// else.
#include "planarsimd.h"
#include "reference.h"
#include "viewranges.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <limits>

using Reference::require;

namespace {

constexpr int MaxDestSide = 64;
// Wide, flat destinations reach the SIMD blocks (128 or 256 pixels across).
constexpr int MaxWideWidth = 640;
constexpr int MaxWideHeight = 8;
constexpr int MaxGridWidth = 128;
constexpr int MaxGridHeight = 40;

// Every instruction set the decoder may pick.
constexpr PlanarSimd::Level Levels[] = { PlanarSimd::Level::Scalar, PlanarSimd::Level::Sse2,
    PlanarSimd::Level::Avx2, PlanarSimd::Level::Avx512 };

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
std::int64_t positionOf(int kind, std::int64_t amount, std::int64_t size)
{
    const std::int64_t choices[] = { size > 0 ? amount % (size + 1) : 0, -(amount % (1 << 20)) - 1,
        size + amount % (1 << 20), (std::int64_t(1) << 31) + amount % 70000 - 35000,
        -(std::int64_t(1) << 31) + amount % 70000 - 35000,
        amount % (std::int64_t(1) << 53) - (std::int64_t(1) << 52) };
    return choices[kind];
}

// Mostly a place that shows part of the picture, sometimes any int.
int readCorner(FuzzedDataProvider &in, int destSide)
{
    return in.ConsumeIntegralInRange(0, 7) == 0 ? anyInt(in)
                                                : in.ConsumeIntegralInRange(-200, destSide + 8);
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
    const QImage literal = Reference::grid(state, width, height);
    for (PlanarSimd::Level level : Levels) {
        PlanarSimd::setMaxLevel(level);
        QImage fast = Reference::filled(width, height, 0x5A);
        Grid::drawGrid(state, fast);
        require(Reference::sameBytes(fast, literal), "drawGrid equals the literal grid");
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
    const int positionKind = in.ConsumeIntegralInRange(0, 5);
    const auto positionAmount
        = in.ConsumeIntegralInRange<std::int64_t>(0, std::numeric_limits<std::int64_t>::max());
    std::vector<std::uint8_t> bytes = in.ConsumeRemainingBytes<std::uint8_t>();
    const std::int64_t position
        = positionOf(positionKind, positionAmount, std::int64_t(bytes.size()));
    const int held = int(bytes.size());
    state.fileData = std::move(bytes);
    state.fileData.shrink_to_fit(); // reads past the end then land outside the allocation
    state.fileLoaded = true;
    // A filesize that claims more than fileData holds must read as the bytes held.
    state.filesize = sizeChoice == 0 ? held + 1000 : sizeChoice == 1 ? held / 2 : held;

    // Printed before drawing, so a sanitizer report that stops the run also has them.
    QImage literal = Reference::filled(destWidth, destHeight, fill);
    const QString parameters = QString::asprintf(
        "%s at (%d, %d)\n", qPrintable(Reference::describe(state, position, literal)), left, top);
    static const bool verbose = std::getenv("PELVANE_FUZZ_VERBOSE") != nullptr;
    if (verbose)
        std::fputs(qPrintable(parameters), stderr);
    Reference::drawPicture(state, literal, position, left, top);
    for (PlanarSimd::Level level : Levels) {
        PlanarSimd::setMaxLevel(level);
        QImage fast = Reference::filled(destWidth, destHeight, fill);
        Decoder::drawPicture(state, fast, position, left, top);
        if (!Reference::sameBytes(fast, literal))
            std::fprintf(stderr, "%sat level %d\n", qPrintable(parameters), int(level));
        require(Reference::sameBytes(fast, literal),
            "drawPicture equals the literal decoder, padding included");
    }
    checkGrid(state, position, gridWidth, gridHeight);
    return 0;
}
