#pragma once

#include "appsettings.h"
#include "decoder.h"
#include "grid.h"
#include "palette.h"
#include "recentfiles.h"
#include "ripperstate.h"
#include "viewranges.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

// The literal definitions the fast code is measured against and the loaded-state fixture, shared
// by the tests and the fuzzers (which link no test library, so everything here is inline).
namespace Reference {

// A broken property in a fuzzer is a finding: say which and abort so libFuzzer keeps the input.
inline void require(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

// A state with `bytes` as the loaded snapshot and a canvas in the default palette. The bytes are
// held exactly, so a read past the end lands outside the allocation.
inline RipperState loaded(
    std::vector<std::uint8_t> bytes, int canvasWidth = 8, int canvasHeight = 8)
{
    RipperState state;
    state.canvas = QImage(canvasWidth, canvasHeight, QImage::Format_Indexed8);
    Palette::setDefaultPalette(state.canvas);
    state.fileData = std::move(bytes);
    state.fileData.shrink_to_fit();
    state.filesize = int(state.fileData.size());
    state.fileLoaded = true;
    return state;
}

inline RipperState loaded(const QByteArray &bytes, int canvasWidth = 8, int canvasHeight = 8)
{
    return loaded(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), canvasWidth, canvasHeight);
}

// An indexed image whose whole buffer, line padding included, holds `fill` (QImage::fill leaves
// the padding), so the padding can be compared too.
inline QImage filled(int width, int height, std::uint8_t fill)
{
    QImage image(width, height, QImage::Format_Indexed8);
    std::memset(image.bits(), fill, std::size_t(image.sizeInBytes()));
    return image;
}

inline bool sameBytes(const QImage &a, const QImage &b)
{
    return a.sizeInBytes() == b.sizeInBytes()
        && std::memcmp(a.constBits(), b.constBits(), std::size_t(a.sizeInBytes())) == 0;
}

// The picture at `position` drawn with its top-left pixel at (left, top): every destination
// pixel the picture covers gets its pixelValue, nothing else is touched.
inline void drawPicture(
    const RipperState &state, QImage &dest, std::int64_t position, int left, int top)
{
    const std::int64_t width = 8 * std::int64_t(std::clamp(state.blXSize, 0, 1 << 16));
    const std::int64_t height = std::clamp(state.blYSize, 0, 1 << 16);
    for (int py = 0; py < dest.height(); ++py) {
        for (int px = 0; px < dest.width(); ++px) {
            const std::int64_t x = std::int64_t(px) - left, y = std::int64_t(py) - top;
            if (x >= 0 && x < width && y >= 0 && y < height)
                dest.scanLine(py)[px]
                    = std::uint8_t(Decoder::pixelValue(state, position, int(x), int(y)));
        }
    }
}

// The grid pixel by pixel: the cell a pixel falls in and, inside its picture, the pixelValue of
// the picture numbered row by row; the gaps and everything past the last cell are background.
inline QImage grid(const RipperState &state, int width, int height)
{
    QImage canvas = filled(width, height, 0x5A);
    const std::int64_t cellWidth = 8 * std::int64_t(state.blXSize) + Grid::Gap;
    const std::int64_t cellHeight = std::int64_t(state.blYSize) + Grid::Gap;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::int64_t c = x / cellWidth, r = y / cellHeight;
            const std::int64_t px = x % cellWidth, py = y % cellHeight;
            int index = Grid::BackgroundIndex;
            if (c < state.numX && r < state.numY && px < cellWidth - Grid::Gap
                && py < cellHeight - Grid::Gap)
                index = Decoder::pixelValue(state,
                    state.offset + Grid::pictureStride(state) * (r * state.numX + c), int(px),
                    int(py));
            canvas.scanLine(y)[x] = std::uint8_t(index);
        }
    }
    return canvas;
}

// A view drawn by `pick(low, high)` (inclusive) over the bytes `bytes()` gives: parameters mostly
// in the controls' ranges, sometimes any int; a filesize claiming more or fewer bytes than held; a
// start inside, near the end, before or past the data, around 2^31 or as far as a grid steps; a
// filled destination, small or wide and flat (reaching the SIMD blocks), mostly showing part of it.
struct RandomView
{
    RipperState state;
    std::int64_t position = 0;
    QImage dest;
    int left = 0, top = 0;
};

template<typename Pick, typename Bytes>
RandomView randomView(Pick pick, Bytes bytes, int wideWidth, int wideHeight)
{
    const auto any = [&] {
        return pick(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    };
    const auto field = [&](int low, int high) {
        return pick(0, 15) ? pick(low, high) : any();
    };
    RandomView v;
    RipperState &s = v.state;
    std::tie(s.mode, s.bits, s.skipmode, s.reverse)
        = std::make_tuple(field(0, 4), field(1, 8), field(0, 1), pick(0, 1) == 1);
    s.blXSize = field(1, pick(0, 3) ? 60 : 4000);
    s.blYSize = field(1, pick(0, 3) ? 80 : 600);
    s.skip = pick(0, 2) ? field(0, 2048) : 0;
    for (int &entry : s.bitplaneorder)
        entry = field(0, 7);
    const bool wide = pick(0, 3) == 0;
    v.dest = filled(pick(1, wide ? wideWidth : 64), pick(1, wide ? wideHeight : 64),
        std::uint8_t(pick(0, 255)));
    v.left = pick(0, 7) ? pick(-200, v.dest.width() + 8) : any();
    v.top = pick(0, 7) ? pick(-200, v.dest.height() + 8) : any();
    const int sizeChoice = pick(0, 7);
    const std::int64_t amount = pick(std::int64_t(0), std::numeric_limits<std::int64_t>::max());
    const std::int64_t far = std::int64_t(1) << 31, positionKind = pick(0, 6);
    s.fileData = bytes();
    s.fileData.shrink_to_fit(); // reads past the end then land outside the allocation
    s.fileLoaded = true;
    const std::int64_t size = std::int64_t(s.fileData.size());
    s.filesize = int(sizeChoice == 0 ? size + 1000 : sizeChoice == 1 ? size / 2 : size);
    const std::int64_t starts[] = { amount % (size + 1), size - amount % 2048,
        -(amount % (1 << 20)) - 1, size + amount % 4, far + amount % 70000 - 35000,
        -far + amount % 70000 - 35000, amount % (far << 22) - (far << 21) };
    v.position = starts[positionKind];
    return v;
}

// The view whose grid the window draws after a refresh, its offset from `position`.
inline RipperState gridView(RipperState s, std::int64_t position)
{
    s.offset = int(std::clamp<std::int64_t>(
        position, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    ViewRanges::clamp(s);
    s.numX = Grid::columnsFor(s.blXSize);
    s.numY = Grid::rowsFor(s.blYSize);
    return s;
}

// The recent-file update of loading `loaded`, as the window makes it in the working directory's
// settings file: the list written and the list then read back.
inline std::pair<QStringList, QStringList> recentFileUpdate(const QString &loaded)
{
    QStringList written;
    {
        SettingsFile settings;
        written = RecentFiles::withFileInFront(
            settings.value(AppSettings::RecentFileList).toStringList(), loaded);
        settings.setValue(AppSettings::RecentFileList, written);
    }
    return { written, SettingsFile().value(AppSettings::RecentFileList).toStringList() };
}

// The fields a finding needs to become a test row.
inline QString describe(const RipperState &s, std::int64_t position, const QImage &dest)
{
    QString order;
    for (int entry : s.bitplaneorder)
        order += QString::number(entry) + ' ';
    return QString::asprintf("mode %d bits %d W %d H %d skip %d/%d reverse %d order %sfilesize %d "
                             "bytes %zu position %lld dest %dx%d",
        s.mode, s.bits, s.blXSize, s.blYSize, s.skip, s.skipmode, int(s.reverse), qPrintable(order),
        s.filesize, s.fileData.size(), static_cast<long long>(position), dest.width(),
        dest.height());
}

} // namespace Reference
