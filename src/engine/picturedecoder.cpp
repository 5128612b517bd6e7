#include "picturedecoder.h"

#include <algorithm>
#include <cstring>

namespace {

using Table = std::array<std::uint64_t, 256>;

// Which pixels of a group a byte feeds, and from which bits.
struct BitPattern
{
    int firstPixel;
    int count;
    int topBit;
};
constexpr BitPattern Patterns[] = {
    { 0, 8, 7 }, // a whole byte: pixel k from bit 7 - k
    { 0, 4, 7 }, // "C-" even plane, first byte: pixels 0-3 from the high nibble
    { 4, 4, 7 }, // even plane, second byte
    { 0, 4, 3 }, // odd plane, first byte: the low nibble
    { 4, 4, 3 }, // odd plane, second byte
};
constexpr int WholeByte = 0;

// unit[p][v]: the pixels byte v sets under pattern p, as 1 per pixel byte. A source's table is
// this times its colour-index bits: every byte is 0 or 1, so the product carries nothing.
const std::array<Table, 5> &unitTables()
{
    static const std::array<Table, 5> tables = [] {
        std::array<Table, 5> t {};
        for (int p = 0; p < 5; ++p) {
            for (int v = 0; v < 256; ++v) {
                std::uint8_t pixels[8] = {};
                for (int k = 0; k < Patterns[p].count; ++k)
                    pixels[Patterns[p].firstPixel + k] = (v >> (Patterns[p].topBit - k)) & 1;
                std::memcpy(&t[p][v], pixels, 8);
            }
        }
        return t;
    }();
    return tables;
}

// Writes the visible pixels of group g; `out` is the destination pixel of column x0.
inline void storeGroup(
    std::uint8_t *out, std::int64_t g, std::int64_t x0, std::int64_t x1, std::uint64_t pixels)
{
    const std::int64_t px = 8 * g;
    if (px >= x0 && px + 8 <= x1) {
        std::memcpy(out + (px - x0), &pixels, 8);
        return;
    }
    const std::int64_t from = std::max(px, x0);
    const std::int64_t to = std::min(px + 8, x1);
    std::memcpy(out + (from - x0), reinterpret_cast<const std::uint8_t *>(&pixels) + (from - px),
        std::size_t(to - from));
}

} // namespace

PictureDecoder::Target::Target(QImage &image)
    : bits(image.format() == QImage::Format_Indexed8 ? image.bits() : nullptr)
    , bytesPerLine(image.bytesPerLine())
    , width(bits ? image.width() : 0)
    , height(bits ? image.height() : 0)
{
}

PictureDecoder::PictureDecoder(const RipperState &state)
    : m_p(state)
{
    m_tables.reserve(MaxSources);
    buildSources();
    m_inside = pickInsideDecoder();
}

void PictureDecoder::addSource(std::int64_t offset, int pattern, std::uint8_t mask)
{
    const Table &unit = unitTables()[pattern];
    int m = 0;
    while (m < m_count && m_sources[m].offset != offset)
        ++m;
    if (m == m_count) {
        m_tables.emplace_back();
        m_tables.back().fill(0);
        m_sources[m] = { offset, m_tables.back().data() };
        ++m_count;
    }
    Table &table = m_tables[std::size_t(m)];
    for (int v = 0; v < 256; ++v)
        table[v] |= unit[v] * mask;
}

void PictureDecoder::buildSources()
{
    const std::int64_t W = m_p.W;
    const std::int64_t H = m_p.H;
    const std::int64_t N = m_p.N;
    switch (m_p.mode) {
    case RipperState::ModeAM:
        m_lineStride = W;
        break;
    case RipperState::ModeST:
        m_lineStride = W * N;
        break;
    case RipperState::ModeSP:
    case RipperState::ModeCplus:
    case RipperState::ModeCminus:
        m_lineStride = 2 * W;
        break;
    default:
        return; // no plane address: every pixel is colour 0
    }
    m_stride = m_p.mode == RipperState::ModeCplus || m_p.mode == RipperState::ModeCminus ? 2 : 1;
    std::array<std::int64_t, 8> planeOffset {};
    for (int i = 0; i < m_p.N; ++i) {
        const std::int64_t skip = i * m_p.planeSkip();
        switch (m_p.mode) {
        case RipperState::ModeAM:
            planeOffset[i] = i * W * H + skip;
            break;
        case RipperState::ModeST:
            planeOffset[i] = i * W + skip;
            break;
        case RipperState::ModeSP:
            planeOffset[i] = (i < 2 ? i * W : (i + 2 * H - 2) * W) + skip;
            break;
        case RipperState::ModeCplus:
            planeOffset[i] = i + skip;
            break;
        case RipperState::ModeCminus:
            planeOffset[i] = i / 2 + skip;
            break;
        }
        // Bit j of the index is slot order[j]; the plane filling that slot lights bit j.
        std::uint8_t mask = 0;
        for (int j = 0; j < m_p.N; ++j) {
            if (m_p.order[j] == m_p.slotOfPlane(i))
                mask |= std::uint8_t(1u << j);
        }
        if (mask == 0)
            continue;
        if (m_p.mode == RipperState::ModeCminus) {
            const int first = i % 2 == 0 ? 1 : 3;
            addSource(planeOffset[i], first, mask);
            addSource(planeOffset[i] + 1, first + 1, mask);
        } else {
            addSource(planeOffset[i], WholeByte, mask);
        }
    }
    if (m_count > 0) {
        auto byOffset = [](const Source &a, const Source &b) {
            return a.offset < b.offset;
        };
        const auto end = m_sources.begin() + m_count;
        m_minOffset = std::min_element(m_sources.begin(), end, byOffset)->offset;
        m_maxOffset = std::max_element(m_sources.begin(), end, byOffset)->offset;
    }
    buildSimdPlanes(planeOffset);
}

void PictureDecoder::buildSimdPlanes(const std::array<std::int64_t, 8> &planeOffset)
{
    m_block.layout = m_p.mode == RipperState::ModeCplus ? PlanarSimd::Layout::EvenBytes
        : m_p.mode == RipperState::ModeCminus           ? PlanarSimd::Layout::Nibbles
                                                        : PlanarSimd::Layout::Bytes;
    int used = 0;
    for (int j = 0; j < m_p.N; ++j) {
        const int slot = m_p.order[j];
        if (slot < 0 || slot >= m_p.N)
            continue;
        const int plane = m_p.reverse ? m_p.N - 1 - slot : slot;
        m_simdUsed[j] = true;
        m_simdOffset[j] = planeOffset[plane];
        m_block.lowNibble[j] = plane % 2 == 1;
        m_simdMinOffset = used == 0 ? m_simdOffset[j] : std::min(m_simdMinOffset, m_simdOffset[j]);
        m_simdMaxOffset = used == 0 ? m_simdOffset[j] : std::max(m_simdMaxOffset, m_simdOffset[j]);
        ++used;
    }
    m_blockGroups = PlanarSimd::groupsPerBlock();
    m_simd = m_blockGroups > 0 && m_count > 0 && used >= 3;
}

// Sources at the same offset were merged, so a whole byte plus its nibble partner read at most
// one byte beyond the last group's offset.
inline bool PictureDecoder::lineInside(
    std::int64_t lineStart, std::int64_t from, std::int64_t to) const
{
    return lineStart + m_minOffset + from * m_stride >= 0
        && lineStart + m_maxOffset + to * m_stride < m_p.size;
}

template<int Count, int Stride>
void PictureDecoder::decodeInside(std::int64_t lineStart, std::int64_t from, std::int64_t to,
    const Columns &cols, std::uint8_t *out) const
{
    const std::uint8_t *src[Count];
    const std::uint64_t *table[Count];
    for (int m = 0; m < Count; ++m) {
        src[m] = m_p.data + (lineStart + m_sources[m].offset + from * Stride);
        table[m] = m_sources[m].table;
    }
    for (std::int64_t g = from; g <= to; ++g) {
        std::uint64_t pixels = 0;
        for (int m = 0; m < Count; ++m)
            pixels |= table[m][src[m][(g - from) * Stride]];
        storeGroup(out, g, cols.x0, cols.x1, pixels);
    }
}

template<int Stride, std::size_t... Counts>
PictureDecoder::LineDecoder PictureDecoder::insideDecoderFor(
    int count, std::index_sequence<Counts...>)
{
    const LineDecoder decoders[] = { &PictureDecoder::decodeInside<int(Counts), Stride>... };
    return decoders[count];
}

PictureDecoder::LineDecoder PictureDecoder::pickInsideDecoder() const
{
    constexpr auto counts = std::make_index_sequence<MaxSources + 1>();
    return m_stride == 1 ? insideDecoderFor<1>(m_count, counts)
                         : insideDecoderFor<2>(m_count, counts);
}

void PictureDecoder::decodeClipped(std::int64_t lineStart, std::int64_t from, std::int64_t to,
    const Columns &cols, std::uint8_t *out)
{
    m_row.assign(std::size_t(to - from + 1), 0);
    for (int m = 0; m < m_count; ++m) {
        // Groups whose byte lies inside the data: 0 <= start + stride * g < size.
        const std::int64_t start = lineStart + m_sources[m].offset;
        const std::int64_t first
            = std::max(from, start >= 0 ? 0 : (-start + m_stride - 1) / m_stride);
        const std::int64_t last
            = std::min(to, start < m_p.size ? (m_p.size - 1 - start) / m_stride : -1);
        const std::uint64_t *table = m_sources[m].table;
        for (std::int64_t g = first; g <= last; ++g)
            m_row[std::size_t(g - from)] |= table[m_p.data[start + g * m_stride]];
    }
    const std::int64_t x = std::max(8 * from, cols.x0);
    const std::int64_t xEnd = std::min(8 * (to + 1), cols.x1);
    std::memcpy(out + (x - cols.x0),
        reinterpret_cast<const std::uint8_t *>(m_row.data()) + (x - 8 * from),
        std::size_t(xEnd - x));
}

// A block of groups can go through the SIMD converter when every plane it reads lies wholly
// inside the data (read) or wholly outside it (zero).
bool PictureDecoder::simdBlockReadable(
    std::int64_t lineStart, std::int64_t group, PlanarSimd::Block &block) const
{
    const std::int64_t span
        = m_block.layout == PlanarSimd::Layout::Bytes ? m_blockGroups : 2 * m_blockGroups;
    for (int j = 0; j < 8; ++j) {
        block.src[j] = nullptr;
        if (!m_simdUsed[j])
            continue;
        const std::int64_t lo = lineStart + m_simdOffset[j] + group * m_stride;
        const std::int64_t hi = lo + span - 1;
        if (lo >= 0 && hi < m_p.size)
            block.src[j] = m_p.data + lo;
        else if (hi >= 0 && lo < m_p.size)
            return false;
    }
    return true;
}

// Planes with at least one byte of this line's visible groups inside the data.
int PictureDecoder::planesReachingData(std::int64_t lineStart, const Columns &cols) const
{
    int count = 0;
    for (int j = 0; j < 8; ++j) {
        const std::int64_t lo = lineStart + m_simdOffset[j] + cols.g0 * m_stride;
        const std::int64_t hi = lineStart + m_simdOffset[j] + cols.g1 * m_stride + m_stride - 1;
        count += m_simdUsed[j] && hi >= 0 && lo < m_p.size;
    }
    return count;
}

void PictureDecoder::decodeLineSimd(std::int64_t lineStart, const Columns &cols, std::uint8_t *out)
{
    PlanarSimd::Block block = m_block;
    const std::int64_t groups = m_blockGroups;
    const std::int64_t span = m_block.layout == PlanarSimd::Layout::Bytes ? groups : 2 * groups;
    const std::int64_t lastBlock = cols.g0 + (cols.g1 - cols.g0) / groups * groups;
    // Where the whole line's blocks lie inside the data, no block needs its own check.
    const bool inside = lineStart + m_simdMinOffset + cols.g0 * m_stride >= 0
        && lineStart + m_simdMaxOffset + lastBlock * m_stride + span - 1 < m_p.size;
    if (!inside && planesReachingData(lineStart, cols) < 3) {
        decodeClipped(lineStart, cols.g0, cols.g1, cols, out);
        return;
    }
    alignas(64) std::uint8_t pixels[8 * 64];
    for (std::int64_t g = cols.g0; g <= cols.g1; g += groups) {
        const std::int64_t last = std::min(g + groups - 1, cols.g1);
        if (inside) {
            for (int j = 0; j < 8; ++j) {
                const std::int64_t at = lineStart + m_simdOffset[j] + g * m_stride;
                block.src[j] = m_simdUsed[j] ? m_p.data + at : nullptr;
            }
        }
        // A short tail is cheaper group by group than as a whole block.
        if (4 * (last - g + 1) < groups || (!inside && !simdBlockReadable(lineStart, g, block))) {
            if (lineInside(lineStart, g, last))
                (this->*m_inside)(lineStart, g, last, cols, out);
            else
                decodeClipped(lineStart, g, last, cols, out);
            continue;
        }
        const std::int64_t from = std::max(8 * g, cols.x0);
        const std::int64_t to = std::min(8 * (last + 1), cols.x1);
        if (from == 8 * g && to == 8 * (g + groups)) {
            PlanarSimd::decodeBlock(block, out + (from - cols.x0));
        } else {
            PlanarSimd::decodeBlock(block, pixels);
            std::memcpy(out + (from - cols.x0), pixels + (from - 8 * g), std::size_t(to - from));
        }
    }
}

inline void PictureDecoder::decodeLine(
    std::int64_t lineStart, const Columns &cols, std::uint8_t *out)
{
    if (m_count == 0)
        std::memset(out, 0, std::size_t(cols.x1 - cols.x0));
    else if (m_simd && cols.g1 - cols.g0 >= 3)
        decodeLineSimd(lineStart, cols, out);
    else if (lineInside(lineStart, cols.g0, cols.g1))
        (this->*m_inside)(lineStart, cols.g0, cols.g1, cols, out);
    else
        decodeClipped(lineStart, cols.g0, cols.g1, cols, out);
}

void PictureDecoder::draw(QImage &dest, std::int64_t position, int left, int top)
{
    draw(Target(dest), position, left, top);
}

void PictureDecoder::draw(
    const Target &dest, std::int64_t position, std::int64_t left, std::int64_t top)
{
    Columns cols;
    cols.x0 = std::max<std::int64_t>(0, -left);
    cols.x1 = std::min<std::int64_t>(8 * m_p.W, dest.width - left);
    const std::int64_t y0 = std::max<std::int64_t>(0, -top);
    const std::int64_t y1 = std::min<std::int64_t>(m_p.H, dest.height - top);
    if (cols.x0 >= cols.x1 || y0 >= y1)
        return;
    cols.g0 = cols.x0 / 8;
    cols.g1 = (cols.x1 - 1) / 8;
    std::uint8_t *out = dest.bits + (top + y0) * dest.bytesPerLine + left + cols.x0;
    std::int64_t lineStart = position + m_lineStride * y0;
    if (cols.g0 == cols.g1 && m_count > 0) {
        // Pictures one group wide (a grid can hold thousands): no per-line dispatch.
        for (std::int64_t y = y0; y < y1; ++y) {
            if (lineInside(lineStart, cols.g0, cols.g0)) {
                const std::int64_t at = lineStart + cols.g0 * m_stride;
                std::uint64_t pixels = 0;
                for (int m = 0; m < m_count; ++m)
                    pixels |= m_sources[m].table[m_p.data[at + m_sources[m].offset]];
                storeGroup(out, cols.g0, cols.x0, cols.x1, pixels);
            } else {
                decodeClipped(lineStart, cols.g0, cols.g0, cols, out);
            }
            out += dest.bytesPerLine;
            lineStart += m_lineStride;
        }
        return;
    }
    for (std::int64_t y = y0; y < y1; ++y) {
        decodeLine(lineStart, cols, out);
        out += dest.bytesPerLine;
        lineStart += m_lineStride;
    }
}

// Pictures one byte wide, wholly inside the destination: thousands of them fill a grid, so the
// per-picture work is kept to the lookups themselves.
template<int Count>
void PictureDecoder::drawNarrowRow(const Target &dest, std::int64_t position, std::int64_t stride,
    int count, std::int64_t leftStep, std::int64_t top)
{
    std::int64_t offsets[Count];
    const std::uint64_t *tables[Count];
    for (int m = 0; m < Count; ++m) {
        offsets[m] = m_sources[m].offset;
        tables[m] = m_sources[m].table;
    }
    const Columns cols { 0, 8, 0, 0 };
    for (int c = 0; c < count; ++c, position += stride) {
        std::uint8_t *out = dest.bits + top * dest.bytesPerLine + c * leftStep;
        std::int64_t lineStart = position;
        for (std::int64_t y = 0; y < m_p.H;
             ++y, lineStart += m_lineStride, out += dest.bytesPerLine) {
            if (lineInside(lineStart, 0, 0)) {
                std::uint64_t pixels = 0;
                for (int m = 0; m < Count; ++m)
                    pixels |= tables[m][m_p.data[lineStart + offsets[m]]];
                std::memcpy(out, &pixels, 8);
            } else {
                decodeClipped(lineStart, 0, 0, cols, out);
            }
        }
    }
}

template<std::size_t... Counts>
PictureDecoder::NarrowRowDrawer PictureDecoder::narrowRowDrawerFor(
    int count, std::index_sequence<Counts...>)
{
    const NarrowRowDrawer drawers[] = { &PictureDecoder::drawNarrowRow<int(Counts) + 1>... };
    return drawers[count - 1];
}

void PictureDecoder::drawRow(const Target &dest, std::int64_t position, std::int64_t stride,
    int count, std::int64_t leftStep, std::int64_t top)
{
    // How many leading pictures lie wholly inside the destination.
    std::int64_t whole = 0;
    if (m_p.W == 1 && m_count > 0 && top >= 0 && top + m_p.H <= dest.height && leftStep > 0)
        whole
            = std::min<std::int64_t>(count, dest.width >= 8 ? (dest.width - 8) / leftStep + 1 : 0);
    if (whole > 0) {
        const NarrowRowDrawer drawer
            = narrowRowDrawerFor(m_count, std::make_index_sequence<MaxSources>());
        (this->*drawer)(dest, position, stride, int(whole), leftStep, top);
    }
    for (std::int64_t c = whole; c < count; ++c)
        draw(dest, position + c * stride, c * leftStep, top);
}
