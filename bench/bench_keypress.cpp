// A Right-arrow key press on the real window until the new pixmap is on the picture label,
// nested refreshes included; with the production and the literal decoder; and the cost of the
// pixmap conversion alone.
#include "benchdata.h"
#include "pelvane.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPixmap>
#include <benchmark/benchmark.h>

namespace {

QString writeBenchSnapshot()
{
    const QString path = QStringLiteral("bench.uss");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        const auto &bytes = benchSnapshot();
        file.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size()));
    }
    return path;
}

void keyPress(benchmark::State &bench, bool literal)
{
    Pelvane window;
    window.loadSnapshot(writeBenchSnapshot());
    window.stateForTesting().bits = 8;
    window.setLiteralDecoding(literal);
    window.refreshView();
    for (auto _ : bench) {
        QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &right);
        benchmark::DoNotOptimize(window.form().labelPicture->pixmap().cacheKey());
        if (window.state().offset >= window.state().filesize) {
            bench.PauseTiming();
            window.stateForTesting().offset = 0;
            window.refreshView();
            bench.ResumeTiming();
        }
    }
}

void fromImage(benchmark::State &bench)
{
    RipperState s = benchState(40, 200, 8, RipperState::ModeAM);
    for (auto _ : bench) {
        QPixmap pixmap = QPixmap::fromImage(s.canvas);
        benchmark::DoNotOptimize(pixmap.cacheKey());
    }
}

const bool registered = [] {
    benchmark::RegisterBenchmark("KeyPress/literal", keyPress, true)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("KeyPress/production", keyPress, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("FromImage", fromImage)->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
