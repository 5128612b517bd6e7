#include "picturedecoder.h"

#include <algorithm>
#include <cstring>

namespace {

// expanded[v]: the eight pixels of byte v, pixel k (bit 7 - k) as byte k, holding 1 or 0.
const std::array<std::uint64_t, 256> &expandedBytes()
{
    static const std::array<std::uint64_t, 256> table = [] {
        std::array<std::uint64_t, 256> t {};
        for (int v = 0; v < 256; ++v) {
            std::uint8_t pixels[8];
            for (int k = 0; k < 8; ++k)
                pixels[k] = (v >> (7 - k)) & 1;
            std::memcpy(&t[v], pixels, 8);
        }
        return t;
    }();
    return table;
}

} // namespace

PictureDecoder::PictureDecoder(const RipperState &state)
    : m_p(state)
{
    buildLayout();
    buildTables();
}

void PictureDecoder::buildLayout()
{
    const std::int64_t W = m_p.W;
    const std::int64_t H = m_p.H;
    const std::int64_t N = m_p.N;
    for (int i = 0; i < m_p.N; ++i) {
        std::int64_t base = 0;
        switch (m_p.mode) {
        case RipperState::ModeAM:
            base = i * W * H;
            m_lineStride = W;
            break;
        case RipperState::ModeST:
            base = i * W;
            m_lineStride = W * N;
            break;
        case RipperState::ModeSP:
            base = i < 2 ? i * W : (i + 2 * H - 2) * W;
            m_lineStride = 2 * W;
            break;
        case RipperState::ModeCplus:
            base = i;
            m_lineStride = 2 * W;
            m_groupStride = 2;
            break;
        case RipperState::ModeCminus:
            base = i / 2;
            m_lineStride = 2 * W;
            m_groupStride = 2;
            m_nibbles = true;
            break;
        default:
            break;
        }
        m_planeBase[i] = base + i * m_p.planeSkip();
    }
    if (m_p.N > 0) {
        m_minBase = *std::min_element(m_planeBase.begin(), m_planeBase.begin() + m_p.N);
        m_maxBase = *std::max_element(m_planeBase.begin(), m_planeBase.begin() + m_p.N);
    }
}

void PictureDecoder::buildTables()
{
    const bool knownMode = m_p.mode >= RipperState::ModeAM && m_p.mode <= RipperState::ModeCminus;
    // Bit j of the index is the slot order[j]; the plane filling that slot lights bit j.
    for (int i = 0; i < m_p.N && knownMode; ++i) {
        const int slot = m_p.slotOfPlane(i);
        for (int j = 0; j < m_p.N; ++j) {
            if (m_p.order[j] == slot)
                m_planeMask[i] |= std::uint8_t(1u << j);
        }
    }
    const auto &expanded = expandedBytes();
    m_tables.resize(std::size_t(m_p.N));
    for (int i = 0; i < m_p.N; ++i) {
        for (int v = 0; v < 256; ++v)
            m_tables[i][v] = expanded[v] * m_planeMask[i]; // each byte is 0 or the mask: no carry
    }
}

std::uint8_t PictureDecoder::fetchPlaneByte(int plane, std::int64_t address) const
{
    const std::uint8_t *d = m_p.data;
    if (!m_nibbles)
        return d[address];
    if (plane % 2 == 0)
        return std::uint8_t((d[address] & 0xF0) | (d[address + 1] >> 4));
    return std::uint8_t((d[address] << 4) | (d[address + 1] & 0x0F));
}

std::uint8_t PictureDecoder::fetchPlaneByteChecked(int plane, std::int64_t address) const
{
    auto at = [this](std::int64_t a) -> std::uint8_t {
        return a >= 0 && a < m_p.size ? m_p.data[a] : 0;
    };
    if (!m_nibbles)
        return at(address);
    if (plane % 2 == 0)
        return std::uint8_t((at(address) & 0xF0) | (at(address + 1) >> 4));
    return std::uint8_t((at(address) << 4) | (at(address + 1) & 0x0F));
}

bool PictureDecoder::lineInside(std::int64_t lineStart, const Span &groups) const
{
    const std::int64_t lowest = lineStart + m_minBase + groups.first * m_groupStride;
    const std::int64_t highest
        = lineStart + m_maxBase + groups.last * m_groupStride + (m_nibbles ? 1 : 0);
    return lowest >= 0 && highest < m_p.size;
}

template<bool Checked> void PictureDecoder::decodeLine(std::int64_t lineStart, const Span &groups)
{
    const std::int64_t count = groups.last - groups.first + 1;
    std::uint64_t *row = m_row.data();
    std::fill(row, row + count, 0);
    for (int i = 0; i < m_p.N; ++i) {
        if (m_planeMask[i] == 0)
            continue;
        const auto &table = m_tables[i];
        std::int64_t address = lineStart + m_planeBase[i] + groups.first * m_groupStride;
        if (!Checked && !m_nibbles && m_groupStride == 1) {
            const std::uint8_t *src = m_p.data + address;
            for (std::int64_t g = 0; g < count; ++g)
                row[g] |= table[src[g]];
            continue;
        }
        for (std::int64_t g = 0; g < count; ++g, address += m_groupStride)
            row[g]
                |= table[Checked ? fetchPlaneByteChecked(i, address) : fetchPlaneByte(i, address)];
    }
}

void PictureDecoder::draw(QImage &dest, std::int64_t position, int left, int top)
{
    if (dest.format() != QImage::Format_Indexed8)
        return;
    const std::int64_t width = 8 * m_p.W;
    const std::int64_t x0 = std::max<std::int64_t>(0, -std::int64_t(left));
    const std::int64_t x1 = std::min<std::int64_t>(width, std::int64_t(dest.width()) - left);
    const std::int64_t y0 = std::max<std::int64_t>(0, -std::int64_t(top));
    const std::int64_t y1 = std::min<std::int64_t>(m_p.H, std::int64_t(dest.height()) - top);
    if (x0 >= x1 || y0 >= y1)
        return;

    const Span groups { x0 / 8, (x1 - 1) / 8 };
    m_row.resize(std::size_t(groups.last - groups.first + 1));
    const std::uint8_t *rowBytes = reinterpret_cast<const std::uint8_t *>(m_row.data());
    const std::int64_t skipInGroup = x0 - 8 * groups.first;
    for (std::int64_t y = y0; y < y1; ++y) {
        const std::int64_t lineStart = position + m_lineStride * y;
        if (lineInside(lineStart, groups))
            decodeLine<false>(lineStart, groups);
        else
            decodeLine<true>(lineStart, groups);
        std::uint8_t *out = dest.scanLine(int(top + y)) + left + x0;
        std::memcpy(out, rowBytes + skipInGroup, std::size_t(x1 - x0));
    }
}
