// The grid redraw: the literal per-pixel decoder, the production decoder and the floor of just
// writing the canvas, over the same cases.
#include "benchdata.h"
#include "grid.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <functional>

namespace {

struct GridCase
{
    const char *letter;
    std::function<RipperState()> make;
};

RipperState permutedSkippingSP()
{
    RipperState s = benchState(40, 200, 4, RipperState::ModeSP);
    s.skipmode = RipperState::SkipBitplanes;
    s.skip = 16;
    s.reverse = true;
    s.bitplaneorder = { 2, 0, 3, 1, 4, 5, 6, 7 };
    return s;
}

RipperState nearTheEnd()
{
    RipperState s = benchState(40, 200, 8, RipperState::ModeAM);
    s.offset = s.filesize - 1000;
    return s;
}

const GridCase cases[] = {
    { "a",
        [] {
            return benchState(40, 200, 1, RipperState::ModeAM);
        } },
    { "b",
        [] {
            return benchState(40, 200, 8, RipperState::ModeAM);
        } },
    { "c",
        [] {
            return benchState(40, 200, 5, RipperState::ModeST);
        } },
    { "d",
        [] {
            return benchState(1, 1, 8, RipperState::ModeAM);
        } },
    { "e",
        [] {
            return benchState(100, 598, 8, RipperState::ModeCminus);
        } },
    { "f",
        [] {
            return benchState(4000, 600, 8, RipperState::ModeAM);
        } },
    { "g", permutedSkippingSP },
    { "h", nearTheEnd },
};

void drawLiteral(benchmark::State &bench, const GridCase *gridCase)
{
    RipperState s = gridCase->make();
    for (auto _ : bench) {
        Grid::drawGridLiteral(s, s.canvas);
        benchmark::DoNotOptimize(s.canvas.constBits());
    }
}

void drawProduction(benchmark::State &bench, const GridCase *gridCase)
{
    RipperState s = gridCase->make();
    for (auto _ : bench) {
        Grid::drawGrid(s, s.canvas);
        benchmark::DoNotOptimize(s.canvas.constBits());
    }
}

// Filling the canvas and copying it once: what any redraw costs at the least.
void floorCost(benchmark::State &bench)
{
    RipperState s = benchState(40, 200, 1, RipperState::ModeAM);
    std::vector<std::uint8_t> copy(std::size_t(s.canvas.sizeInBytes()));
    for (auto _ : bench) {
        std::memset(s.canvas.bits(), 255, copy.size());
        benchmark::ClobberMemory();
        std::memcpy(copy.data(), s.canvas.constBits(), copy.size());
        benchmark::DoNotOptimize(copy.data());
    }
}

const bool registered = [] {
    for (const GridCase &gridCase : cases) {
        const std::string name = std::string("Grid/") + gridCase.letter;
        benchmark::RegisterBenchmark((name + "/literal").c_str(), drawLiteral, &gridCase)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((name + "/production").c_str(), drawProduction, &gridCase)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("Floor", floorCost)->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
