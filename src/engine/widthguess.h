#pragma once

#include "ripperstate.h"

#include <QString>
#include <vector>

// Finding the view width from the snapshot's bytes: the distance at which the bytes of one line
// repeat in the next, read from the view's offset on.
namespace WidthGuess {

constexpr int MaxPeriod = 4000;
// Below this best score nothing repeats line after line; random bytes score about 0.02 at most.
constexpr double LowScore = 0.1;

struct Candidate
{
    int period = 0; // bytes
    // 0..1: how far the edges between pixels in one line meet edges of the same kind (give or
    // take a pixel) `period` bytes on, beyond chance
    double score = 0.0;
};

struct Guess
{
    std::vector<Candidate> best; // up to three: the chosen period, then the best others
    int width = 0; // the view width to set, 0: none found
    QString note; // why the width is not a clean part of the period, or why none was found
};

// Bounded work: skips at most 64 KiB of flat bytes from the view's offset, then compares at most
// 8 KiB per period (plus 14 KiB of samples further on for AM ties) within a 64 KiB region. The
// view's mode and planes turn the period into a width.
Guess guess(const RipperState &state);

// The view width (1..4000) whose lines span `period` bytes in `mode` with `planes` planes; where
// the period does not split evenly, the period itself and a note saying so.
int widthFor(int period, int mode, int planes, QString *note);

// The status-bar text: the width, the best periods with their scores and the note.
QString describe(const Guess &guess);

} // namespace WidthGuess
