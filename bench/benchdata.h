#pragma once

#include "ripperstate.h"

#include <cstdint>
#include <vector>

// 2 MiB of pseudo-random snapshot bytes, the same in every run.
const std::vector<std::uint8_t> &benchSnapshot();

// A loaded state over the benchmark snapshot with the grid size a refresh would compute.
RipperState benchState(int blXSize, int blYSize, int bits, int mode);
