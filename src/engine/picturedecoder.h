#pragma once

#include "decodeparams.h"

#include <QImage>
#include <array>
#include <cstdint>
#include <vector>

// Fast picture decoder. Built once per grid or export from the decoding fields; each call of
// draw() decodes one picture eight pixels of one plane at a time through per-plane tables into
// which `reverse` and `bitplaneorder` are folded. Only the visible part of a picture is decoded,
// and bounds are checked once per line: lines whose bytes all lie inside the data take the
// unchecked path.
class PictureDecoder
{
public:
    explicit PictureDecoder(const RipperState &state);

    void draw(QImage &dest, std::int64_t position, int left, int top);

    // The colour-index bits a set bit of plane i contributes.
    std::uint8_t planeMask(int plane) const { return m_planeMask[plane]; }

private:
    struct Span
    {
        std::int64_t first; // first and last pixel group of the visible columns
        std::int64_t last;
    };

    void buildLayout();
    void buildTables();
    template<bool Checked> void decodeLine(std::int64_t lineStart, const Span &groups);
    std::uint8_t fetchPlaneByte(int plane, std::int64_t address) const;
    std::uint8_t fetchPlaneByteChecked(int plane, std::int64_t address) const;
    bool lineInside(std::int64_t lineStart, const Span &groups) const;

    DecodeParams m_p;
    std::array<std::uint8_t, 8> m_planeMask {};
    std::array<std::int64_t, 8> m_planeBase {}; // first byte of plane i, relative to the picture
    std::int64_t m_lineStride = 0;
    std::int64_t m_groupStride = 1;
    bool m_nibbles = false; // "C-": a plane's 8 pixels come from two nibbles of two bytes
    std::int64_t m_minBase = 0;
    std::int64_t m_maxBase = 0;
    std::vector<std::array<std::uint64_t, 256>> m_tables;
    std::vector<std::uint64_t> m_row;
};
