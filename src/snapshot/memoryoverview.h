#pragma once

#include "ripperstate.h"

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <vector>

// The whole snapshot file as a vertical strip: a texture statistic per block of bytes, the chunk
// bands, and the arithmetic between map pixels and file positions.
namespace MemoryMap {

// log2 of a power of two (the next one up otherwise): block and pixel sizes are powers of two.
inline int blockShift(std::int64_t power)
{
    int shift = 0;
    while ((std::int64_t(1) << shift) < power)
        ++shift;
    return shift;
}

// Called every few MiB with the bytes done and the total; false cancels.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// 256 bytes: the pass then runs near a plain sum (64 costs 1.8× that, per-block work showing;
// 1024 gains under a tenth), a 512 MiB file's textures take 8 MiB with all levels, and zoom
// finer than a block shows the bytes themselves.
constexpr int DefaultBlockBytes = 256;

// A block's texture, both 0-255: the mean byte value, and how many of its bytes differ from the
// byte before them (255: all). Zeroed memory is (0, 0), bitplanes change now and then, text and
// code almost always.
struct Texture
{
    std::uint8_t mean = 0;
    std::uint8_t change = 0;
};

// A chunk of the snapshot's chain: tag and the file positions of its first and last byte.
struct Band
{
    QString tag;
    std::int64_t first = 0;
    std::int64_t last = 0;
};

struct Overview
{
    std::int64_t fileSize = 0;
    std::int64_t blockBytes = DefaultBlockBytes;
    // levels[k] holds one texture per blockBytes << k bytes, the last one over what is left;
    // level k + 1 averages pairs of level k, up to a single texture.
    std::vector<std::vector<Texture>> levels;
    std::vector<Band> bands; // in file order, not overlapping

    bool isEmpty() const { return levels.empty(); }
};

// One pass over the bytes. Cancelled: an empty overview. `blockBytes` is rounded up to a power of
// two from 64 to 2048.
Overview compute(const std::uint8_t *bytes, std::int64_t size, const Progress &progress = {},
    int blockBytes = DefaultBlockBytes);
Overview compute(const RipperState &state, const Progress &progress = {});

// The chain from byte 0 as Chunks::findChunk walks it, for a file that starts with "ASF "; a
// band ends at its length, the next tag or the end of the file, whichever comes first.
std::vector<Band> chunkBands(const std::uint8_t *bytes, std::int64_t size);

// Map pixels are numbered row by row from the first byte; each covers bytesPerPixel bytes.
struct Layout
{
    std::int64_t bytesPerPixel = 1; // the fixed span of one map pixel
    int width = 1; // map pixels across
    std::int64_t firstRow = 0; // the map row at the top of the view
};

// File positions, inclusive; empty when first > last.
struct Span
{
    std::int64_t first = 0;
    std::int64_t last = -1;

    bool isEmpty() const { return first > last; }
    bool contains(std::int64_t position) const { return position >= first && position <= last; }
};

// A map pixel: column and row counted from the map's top (not the view's).
struct Cell
{
    int x = 0;
    std::int64_t row = 0;
};

// Largest span of one pixel and widest map the arithmetic accepts; larger values are held to it.
constexpr std::int64_t MaxBytesPerPixel = std::int64_t(1) << 40;
constexpr int MaxWidth = 1 << 16;

// The layout with bytesPerPixel and width held to their ranges and firstRow to at least 0.
Layout sane(Layout layout);
// Bytes one map row covers.
std::int64_t rowBytes(const Layout &layout);
// Rows the whole file takes (0 for an empty file).
std::int64_t rowCount(const Layout &layout, std::int64_t fileSize);
// The bytes of the pixel at view column x, view row y (firstRow + y), clipped to the file; empty
// outside the map or past the end.
Span pixelSpan(const Layout &layout, int x, int y, std::int64_t fileSize);
// The pixel holding `position` (held to 0 from below).
Cell cellOf(const Layout &layout, std::int64_t position);
// The smallest power of two per pixel at which the whole file fits in `visibleRows` rows.
std::int64_t fittingBytesPerPixel(std::int64_t fileSize, int width, int visibleRows);
// firstRow held so the view stays on the map: from 0 to rowCount - visibleRows.
Layout clampedScroll(Layout layout, std::int64_t fileSize, int visibleRows);
// `steps` wheel notches at view pixel (x, y): each one in halves bytesPerPixel (down to 1), each
// one out doubles it (up to fittingBytesPerPixel). The row is chosen so the first byte of the
// pixel under the pointer stays in view row y, as far as the scroll limits allow.
Layout zoomed(Layout layout, std::int64_t fileSize, int visibleRows, int x, int y, int steps);

// What is marked on the map; `kind` is a Kind.
enum Kind { DisplayedScreen, MemoryScreen, CopperList, Sprite, View, KindCount };

struct Overlay
{
    std::int64_t first = 0; // file positions, inclusive
    std::int64_t last = -1;
    int kind = View;
    QString label; // e.g. "screen 1, plane 3"
    std::int64_t lineBytes = 0; // a bitplane's line stride, for "line N" in describe(); 0: none
};

QColor kindColour(int kind);
QString kindName(int kind);

// Width of the column of chunk bands at the image's left; the map starts right of it.
constexpr int BandColumn = 14;

// The view as an image of `size`: the band column, then layout.width map pixels per row in grey
// (the block texture, or at less than a block per pixel the grey of the pixel's first byte, read
// from `state`), the overlays tinted on top in their kinds' colours. Spans that are a power of two
// (all the view's zoom makes) cost about one copy of the image; others read two entries per pixel.
QImage render(const Overview &overview, const Layout &layout, QSize size,
    const std::vector<Overlay> &overlays, const RipperState &state);

// Hover text for `position`, e.g. "CRAM $04B2D3 · screen 1, plane 3, line 17": the chunk and the
// offset in its data (for "CRAM" the chip address; "header" before it; "file $..." outside any
// chunk), then each overlay holding the position: its label, or its kind's name. Empty outside
// the file.
QString describe(
    const Overview &overview, const std::vector<Overlay> &overlays, std::int64_t position);

} // namespace MemoryMap
