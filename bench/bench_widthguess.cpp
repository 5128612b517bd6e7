// The width finder on a key press: a 5-plane picture of the demo snapshot (its planes one after
// another, so the samples further on are read too) and noise, where every period is tried and
// none stands out.
#include "demosnapshot.h"
#include "widthguess.h"

#include <QRandomGenerator>
#include <benchmark/benchmark.h>

namespace {

RipperState loaded(const QByteArray &bytes, int offset, int planes, int mode)
{
    RipperState state;
    state.fileData.assign(bytes.begin(), bytes.end());
    state.filesize = int(state.fileData.size());
    state.fileLoaded = true;
    state.offset = offset;
    state.bits = planes;
    state.mode = mode;
    return state;
}

void picture(benchmark::State &bench)
{
    const DemoSnapshot::Demo demo = DemoSnapshot::build();
    const auto ball = std::find_if(demo.pictures.begin(), demo.pictures.end(),
        [](const DemoSnapshot::Picture &p) { return p.planes == 5; });
    const RipperState state = loaded(demo.bytes, ball->offset, ball->planes, ball->mode);
    for (auto _ : bench)
        benchmark::DoNotOptimize(WidthGuess::guess(state).width);
}

void noise(benchmark::State &bench)
{
    QByteArray bytes(1 << 20, '\0');
    QRandomGenerator random(7);
    for (char &b : bytes)
        b = char(random.bounded(256));
    const RipperState state = loaded(bytes, 1000, 5, RipperState::ModeAM);
    for (auto _ : bench)
        benchmark::DoNotOptimize(WidthGuess::guess(state).width);
}

const bool registered = [] {
    benchmark::RegisterBenchmark("WidthGuess/picture", picture)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("WidthGuess/noise", noise)->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
