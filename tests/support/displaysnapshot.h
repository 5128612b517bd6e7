#pragma once

#include "testsnapshot.h"

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QString>
#include <cstdint>

// Snapshots whose custom registers and Copper lists one line of text gives, tokens apart by spaces:
//   "080=1000"     a saved "CHIP" register; the pointer pairs (080, 084, 0E0 to 0FC) take an
//   address "0E0:8000"     a Copper move at the writing place (a pointer pair takes two moves)
//   "pt3:8000+28"  moves of BPL1PT to BPL3PT to $8000, $8028, $8050
//   "w2C", "s2C"   a wait, a skip for line $2C; "end" the end marker
//   "@1000"        the writing place: chip address $1000 (it starts at 0)
//   "rep"          the previous instruction again up to the end of chip RAM
//   "aga"          the chipset flags name AGA (an "AGAC" chunk always holds agaColours())
// Chip RAM outside the lists holds pattern bytes, the bitplanes of every screen.
namespace DisplaySnapshot {

constexpr int ChipRamSize = 128 * 1024;

QByteArray build(const QString &program);

// COLOR00 to COLOR31 in "CHIP"
inline QList<std::uint16_t> savedColours()
{
    return TestSnapshot::sampleWords(32, 5);
}
QList<QRgb> agaColours();

} // namespace DisplaySnapshot
