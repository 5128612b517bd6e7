// The benchmarks need a GUI application for the window ones; everything runs offscreen in a
// temporary working directory so no settings or log of a real user are touched.
#include "planarsimd.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // --simd=scalar|sse2|avx2|avx512 caps the decoder's instruction set, to compare the paths.
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (!arg.startsWith("--simd="))
            continue;
        const QByteArray level = arg.mid(7);
        PlanarSimd::setMaxLevel(level == "scalar" ? PlanarSimd::Level::Scalar
                : level == "sse2"                 ? PlanarSimd::Level::Sse2
                : level == "avx2"                 ? PlanarSimd::Level::Avx2
                                                  : PlanarSimd::Level::Avx512);
        std::copy(argv + i + 1, argv + argc, argv + i);
        --argc;
        --i;
    }
    QTemporaryDir workDir;
    QDir::setCurrent(workDir.path());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
