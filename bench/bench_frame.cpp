// Drawing the displayed frame of each real save state, against showing it: one
// QPixmap::fromImage of the same frame, as it is and as a copy of its own.
#include "framerender.h"
#include "snapshotfile.h"

#include <QDir>
#include <QPixmap>
#include <benchmark/benchmark.h>

namespace {

RipperState loaded(const QString &path)
{
    RipperState state;
    SnapshotFile::ReadResult read = SnapshotFile::read(path);
    if (read.bytes) {
        state.fileData = std::move(*read.bytes);
        state.filesize = int(state.fileData.size());
        state.fileLoaded = true;
    }
    return state;
}

void renderFrame(benchmark::State &bench, const QString &path)
{
    const RipperState state = loaded(path);
    for (auto _ : bench)
        benchmark::DoNotOptimize(FrameRender::render(state));
}

// RGB32 is the raster pixmap's own format: the pixmap shares the image's pixels.
void showFrame(benchmark::State &bench, const QString &path)
{
    const QImage image = FrameRender::render(loaded(path)).image;
    for (auto _ : bench)
        benchmark::DoNotOptimize(QPixmap::fromImage(image));
}

// A pixmap of pixels of its own: every pixel touched once.
void showFrameCopy(benchmark::State &bench, const QString &path)
{
    const QImage image = FrameRender::render(loaded(path)).image;
    for (auto _ : bench)
        benchmark::DoNotOptimize(QPixmap::fromImage(image.copy()));
}

const int registered = [] {
    const QDir data(QStringLiteral(PELVANE_REAL_SAVES));
    for (const QString &name : data.entryList({ QStringLiteral("*.uss") }, QDir::Files)) {
        const QString path = data.filePath(name);
        const std::string label = QFileInfo(name).completeBaseName().toStdString();
        benchmark::RegisterBenchmark(("RenderFrame/real/" + label).c_str(), renderFrame, path)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("RenderFrame/fromImage/" + label).c_str(), showFrame, path)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(
            ("RenderFrame/fromImageCopy/" + label).c_str(), showFrameCopy, path)
            ->Unit(benchmark::kMicrosecond);
    }
    return 0;
}();

} // namespace
