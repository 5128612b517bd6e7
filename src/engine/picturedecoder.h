#pragma once

#include "decodeparams.h"
#include "planarsimd.h"

#include <QImage>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

// Fast picture decoder, built once per grid or export from the decoding fields.
//
// Every storage mode reads, for one line of a picture, a handful of byte streams ("sources"):
// source m supplies byte (lineStart + offset_m + stride * g) for pixel group g (8 pixels). Each
// source has a 256-entry table that turns such a byte into its contribution to the eight colour
// indices of the group (one byte per pixel), with `reverse` and `bitplaneorder` folded in; a
// group is the OR of its sources' entries. "C-" reads each byte as two nibbles, so a plane there
// is two sources (pixels 0-3 and 4-7); sources reading the same bytes are merged.
//
// From three planes on, blocks of 16, 32 or 64 groups go through an SSE2, AVX2 or AVX-512
// bit-matrix transpose instead (PlanarSimd). Bytes outside the data read as 0, which contributes
// nothing: lines and blocks that lie wholly inside the data take unchecked paths, the rest clip
// each source to the data.
// Only the columns and lines that land inside the destination are decoded.
class PictureDecoder
{
public:
    static constexpr int MaxSources = 16;

    // An 8-bit indexed destination, taken apart once per grid rather than once per picture.
    struct Target
    {
        explicit Target(QImage &image);
        std::uint8_t *bits;
        std::int64_t bytesPerLine;
        std::int64_t width;
        std::int64_t height;
    };

    explicit PictureDecoder(const RipperState &state);

    void draw(QImage &dest, std::int64_t position, int left, int top);
    void draw(const Target &dest, std::int64_t position, std::int64_t left, std::int64_t top);
    // A row of `count` pictures `stride` bytes apart, `leftStep` pixels apart from column 0.
    void drawRow(const Target &dest, std::int64_t position, std::int64_t stride, int count,
        std::int64_t leftStep, std::int64_t top);

private:
    struct Source
    {
        std::int64_t offset; // from the start of the picture's line
        const std::uint64_t *table;
    };
    struct Columns
    {
        std::int64_t x0, x1; // visible pixel columns [x0, x1)
        std::int64_t g0, g1; // pixel groups [g0, g1] they fall in
    };
    using LineDecoder = void (PictureDecoder::*)(
        std::int64_t, std::int64_t, std::int64_t, const Columns &, std::uint8_t *) const;
    using NarrowRowDrawer = void (PictureDecoder::*)(
        const Target &, std::int64_t, std::int64_t, int, std::int64_t, std::int64_t);
    template<int Count>
    void drawNarrowRow(const Target &dest, std::int64_t position, std::int64_t stride, int count,
        std::int64_t leftStep, std::int64_t top);
    template<std::size_t... Counts>
    static NarrowRowDrawer narrowRowDrawerFor(int count, std::index_sequence<Counts...>);

    void buildSources();
    void addSource(std::int64_t offset, int pattern, std::uint8_t mask);
    void buildSimdPlanes(const std::array<std::int64_t, 8> &planeOffset);
    LineDecoder pickInsideDecoder() const;
    template<int Stride, std::size_t... Counts>
    static LineDecoder insideDecoderFor(int count, std::index_sequence<Counts...>);

    void decodeLine(std::int64_t lineStart, const Columns &cols, std::uint8_t *out);
    bool lineInside(std::int64_t lineStart, std::int64_t from, std::int64_t to) const;
    // Groups [from, to] of a line whose bytes all lie inside the data, without checks.
    template<int Count, int Stride>
    void decodeInside(std::int64_t lineStart, std::int64_t from, std::int64_t to,
        const Columns &cols, std::uint8_t *out) const;
    // Groups [from, to] reading only bytes inside the data.
    void decodeClipped(std::int64_t lineStart, std::int64_t from, std::int64_t to,
        const Columns &cols, std::uint8_t *out);
    void decodeLineSimd(std::int64_t lineStart, const Columns &cols, std::uint8_t *out);
    int planesReachingData(std::int64_t lineStart, const Columns &cols) const;
    bool simdBlockReadable(
        std::int64_t lineStart, std::int64_t group, PlanarSimd::Block &block) const;

    DecodeParams m_p;
    std::int64_t m_lineStride = 0;
    int m_stride = 1; // bytes between neighbouring groups of one source
    int m_count = 0;
    std::int64_t m_minOffset = 0;
    std::int64_t m_maxOffset = 0;
    std::array<Source, MaxSources> m_sources {};
    std::vector<std::array<std::uint64_t, 256>> m_tables;
    LineDecoder m_inside = nullptr;

    bool m_simd = false; // worth it from three planes on
    int m_blockGroups = 0;
    PlanarSimd::Block m_block; // layout and nibble choice; sources filled per block
    std::array<std::int64_t, 8> m_simdOffset {}; // per colour-index bit: its plane's offset
    std::array<bool, 8> m_simdUsed {};
    std::int64_t m_simdMinOffset = 0;
    std::int64_t m_simdMaxOffset = 0;
    std::vector<std::uint64_t> m_row;
};
