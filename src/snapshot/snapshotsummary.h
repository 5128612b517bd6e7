#pragma once

#include "ripperstate.h"

#include <QString>
#include <cstdint>

// What a loaded snapshot is, in one line for the status bar and the log.
namespace SnapshotSummary {

// For a chunk chain ("ASF " at 0): emulator and version, chipset, chip RAM size and whether the
// save was compressed, e.g. "UAE 6.1.0 · AGA · chip RAM 2048 KiB · compressed save"; parts the
// file does not hold are left out. Any other file: "raw file · N bytes".
QString describe(const RipperState &state, bool expanded);

// "chip $01A2C0" when `position` lies in the data of "CRAM", otherwise empty.
QString chipAddress(const RipperState &state, std::int64_t position);

} // namespace SnapshotSummary
