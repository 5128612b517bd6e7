#pragma once

#include "ripperstate.h"

#include <QList>
#include <QRgb>
#include <cstdint>
#include <functional>

// The palette: the default table, colours from the snapshot's chunks and the Copper-list
// searches. Every operation works on the state's canvas colour table and palette bookkeeping.
namespace Palette {

// Told how many of the bytes a long search scans it has scanned; false asks it to stop.
using SearchProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

// An opaque colour from a 12-bit Amiga colour word given as its two bytes.
QRgb color12ToRgb(std::uint8_t first, std::uint8_t second);

// The 256 colours of the default palette.
QList<QRgb> defaultColors();

// Gives `image` the default colour table of 256 entries.
void setDefaultPalette(QImage &image);

// Default colours on the canvas; palfound and palsearchpos to 0.
void resetPalette(RipperState &state);

void readEcsPalette(RipperState &state);
void readAgaPalette(RipperState &state);
void searchCopperSimple(RipperState &state);
void searchCopperAdvanced(RipperState &state);
// The same searches reporting to `progress` (may be empty) every few MiB; false when it asked
// them to stop, which changes nothing.
bool searchCopperSimpleCancellable(RipperState &state, const SearchProgress &progress);
bool searchCopperAdvancedCancellable(RipperState &state, const SearchProgress &progress);
// Whether the Advanced search, reaching `position`, takes the Copper list there.
bool advancedListAt(const RipperState &state, std::int64_t position);

// Runs the routine of the selected source (`palsource`), then makes it the searched source
// (`palsearchmode`). The window refreshes afterwards. False, and nothing changed, when a Copper
// search was stopped through `progress`.
bool applySelectedSource(RipperState &state, const SearchProgress &progress = {});

} // namespace Palette
