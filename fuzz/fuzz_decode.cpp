// Decoding at any position with any parameters: the fast picture decoder must draw exactly what
// the literal per-pixel decoder gives, into a small destination at any place, and touch nothing
// else.
#include "planarsimd.h"
#include "reference.h"

#include <fuzzer/FuzzedDataProvider.h>

using Reference::require;

namespace {

// Every instruction set the decoder may pick.
constexpr PlanarSimd::Level Levels[] = { PlanarSimd::Level::Scalar, PlanarSimd::Level::Sse2,
    PlanarSimd::Level::Avx2, PlanarSimd::Level::Avx512 };

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const auto pick = [&](auto low, auto high) {
        return in.ConsumeIntegralInRange(low, high);
    };
    // A small grid canvas cuts most of the pictures off.
    const int gridWidth = pick(1, 128), gridHeight = pick(1, 40);
    Reference::RandomView v = Reference::randomView(
        pick, [&] { return in.ConsumeRemainingBytes<std::uint8_t>(); }, 640, 8);
    // Printed before drawing, so a sanitizer report that stops the run also has them.
    const QString parameters = QString::asprintf("%s at (%d, %d)\n",
        qPrintable(Reference::describe(v.state, v.position, v.dest)), v.left, v.top);
    static const bool verbose = std::getenv("PELVANE_FUZZ_VERBOSE") != nullptr;
    if (verbose)
        std::fputs(qPrintable(parameters), stderr);
    QImage literal = v.dest.copy();
    Reference::drawPicture(v.state, literal, v.position, v.left, v.top);
    const RipperState grid = Reference::gridView(v.state, v.position);
    const QImage literalGrid = Reference::grid(grid, gridWidth, gridHeight);
    for (PlanarSimd::Level level : Levels) {
        PlanarSimd::setMaxLevel(level);
        QImage fast = v.dest.copy();
        Decoder::drawPicture(v.state, fast, v.position, v.left, v.top);
        if (!Reference::sameBytes(fast, literal))
            std::fprintf(stderr, "%sat level %d\n", qPrintable(parameters), int(level));
        require(Reference::sameBytes(fast, literal),
            "drawPicture equals the literal decoder, padding included");
        QImage fastGrid = Reference::filled(gridWidth, gridHeight, 0x5A);
        Grid::drawGrid(grid, fastGrid);
        require(Reference::sameBytes(fastGrid, literalGrid), "drawGrid equals the literal grid");
    }
    return 0;
}
