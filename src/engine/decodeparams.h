#pragma once

#include "ripperstate.h"

#include <algorithm>
#include <cstdint>

// The decoding fields of a RipperState, widened to 64 bits and held inside bounds that keep every
// address computation free of overflow. Inside the ranges the view allows nothing is changed.
struct DecodeParams
{
    static constexpr std::int64_t MaxDimension = 1 << 16;
    static constexpr std::int64_t MaxSkip = 1 << 24;

    explicit DecodeParams(const RipperState &s)
        : data(s.fileData.data())
        , size(std::clamp<std::int64_t>(s.filesize, 0, std::int64_t(s.fileData.size())))
        , W(std::clamp<std::int64_t>(s.blXSize, 0, MaxDimension))
        , H(std::clamp<std::int64_t>(s.blYSize, 0, MaxDimension))
        , N(std::clamp(s.bits, 0, 8))
        , S(std::clamp<std::int64_t>(s.skip, -MaxSkip, MaxSkip))
        , mode(s.mode)
        , skipmode(s.skipmode)
        , reverse(s.reverse)
        , order(s.bitplaneorder)
    {
    }

    const std::uint8_t *data;
    std::int64_t size;
    std::int64_t W;
    std::int64_t H;
    int N;
    std::int64_t S;
    int mode;
    int skipmode;
    bool reverse;
    std::array<int, 8> order;

    int slotOfPlane(int i) const { return reverse ? N - 1 - i : i; }
    std::int64_t planeSkip() const { return skipmode == RipperState::SkipBitplanes ? S : 0; }
};
