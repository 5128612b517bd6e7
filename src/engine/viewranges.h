#pragma once

#include "ripperstate.h"

#include <algorithm>

// The ranges the view's sliders allow. The window clamps to its sliders; programs without the
// window clamp here, with the same result.
namespace ViewRanges {

constexpr int MinXSize = 1, MaxXSize = 4000;
constexpr int MinYSize = 1, MaxYSize = 600;
constexpr int MinSkip = 0, MaxSkip = 2048;
constexpr int MinBits = 1, MaxBits = 8;
constexpr int MinOrder = 0, MaxOrder = 7;
constexpr int MaxOffsetBeforeLoad = 100000;

inline int maxOffset(const RipperState &state)
{
    return state.fileLoaded ? state.filesize : MaxOffsetBeforeLoad;
}

// What a refresh does to the slider-bound fields before it uses them.
inline void clamp(RipperState &state)
{
    state.blXSize = std::clamp(state.blXSize, MinXSize, MaxXSize);
    state.blYSize = std::clamp(state.blYSize, MinYSize, MaxYSize);
    state.offset = std::clamp(state.offset, 0, maxOffset(state));
    state.skip = std::clamp(state.skip, MinSkip, MaxSkip);
    state.bits = std::clamp(state.bits, MinBits, MaxBits);
    for (int &entry : state.bitplaneorder)
        entry = std::clamp(entry, MinOrder, MaxOrder);
}

} // namespace ViewRanges
