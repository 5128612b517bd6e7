#pragma once

#include "testsnapshot.h"

#include <QString>

// Snapshots whose custom registers and Copper lists one line of text gives, tokens apart by spaces:
//   "080=1000"     a saved "CHIP" register (a pointer pair, 080, 084, 0E0 to 0FC or 120 to 13C:
//                  an address)
//   "0E0:8000"     a Copper move at the writing place (a pointer pair takes two moves)
//   "pt3:8000+28"  moves of BPL1PT to BPL3PT to $8000, $8028, $8050
//   "w2C", "s2C"   a wait, a skip for line $2C ("w2C.E0": at colour clock $E0); "end" the end
//   marker
//   "@1000"        the writing place: chip address $1000 (it starts at 0)
//   "=6000:4048.0" words written at chip address $6000 (sprite or bitplane data)
//   "rep"          the previous instruction again up to the end of chip RAM; "x12" 12 times more
//   "aga"          the chipset flags name AGA (an "AGAC" chunk always holds agaColours())
// Chip RAM outside the lists holds pattern bytes, the bitplanes of every screen.
namespace DisplaySnapshot {

constexpr int ChipRamSize = 128 * 1024;

// COLOR00 to COLOR31 in "CHIP"
inline QList<std::uint16_t> savedColours()
{
    return TestSnapshot::sampleWords(32, 5);
}
// Colours of the "AGAC" chunk
inline QList<QRgb> agaColours()
{
    QList<QRgb> colours;
    for (int i = 0; i < 256; ++i)
        colours << qRgb(i, 255 - i, i * 7 % 256);
    return colours;
}

// Pointer pairs take a chip address: the high word here, the low word in the next register.
inline bool isPointer(unsigned reg)
{
    const bool bitplane = reg >= 0x0E0 && reg <= 0x0FC, sprite = reg >= 0x120 && reg <= 0x13C;
    return reg == 0x080 || reg == 0x084 || ((bitplane || sprite) && reg % 4 == 0);
}

inline QByteArray build(const QString &program)
{
    using namespace SnapshotWriter;
    const auto hex = [](const QString &text) {
        return text.toUInt(nullptr, 16);
    };
    QByteArray chip = chipData(savedColours());
    QByteArray ram(ChipRamSize, '\0');
    for (qsizetype i = 0; i < ram.size(); ++i)
        ram[i] = char((std::uint32_t(i) * 2654435761u) >> 13);
    qsizetype at = 0;
    QByteArray last;
    const auto put = [&](const QByteArray &code) {
        ram.replace(at, code.size(), last = code);
        at += code.size();
    };
    for (const QString &t : program.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const unsigned reg = hex(t.left(3));
        const QByteArray moves = isPointer(reg) ? copperMoveLong(std::uint16_t(reg), hex(t.mid(4)))
                                                : copperMove(std::uint16_t(reg), hex(t.mid(4)));
        if (t == "end")
            put(copperEnd());
        else if (t == "rep")
            while (at + last.size() <= ram.size())
                put(last);
        else if (t[0] == 'x')
            for (int n = t.mid(1).toInt(); n > 0; --n)
                put(last);
        else if (t[0] == '@')
            at = hex(t.mid(1));
        else if (t[0] == '=') {
            qsizetype to = hex(t.section(':', 0, 0).mid(1));
            for (const QString &word : t.section(':', 1).split('.'))
                ram.replace((to += 2) - 2, 2, bigEndian16(std::uint16_t(hex(word))));
        } else if (t[0] == 'w' || t[0] == 's')
            put(bigEndian16(std::uint16_t(
                    hex(t.section('.', 0, 0).mid(1)) << 8 | (hex(t.section('.', 1)) & 0xFE) | 1))
                + bigEndian16(t[0] == 'w' ? 0xFFFE : 0xFFFF));
        else if (t.startsWith("pt"))
            for (unsigned k = 0; k < hex(t.mid(2, 1)); ++k)
                put(copperMoveLong(std::uint16_t(0x0E0 + 4 * k),
                    hex(t.section('+', 0, 0).mid(4)) + k * hex(t.section('+', 1))));
        else if (t.mid(3, 1) == ":")
            put(moves);
        else if (t.mid(3, 1) == "=") // the moves' registers and values, saved
            for (qsizetype e = 0; e < moves.size(); e += 4)
                setChipRegister(chip, std::uint8_t(moves[e]) << 8 | std::uint8_t(moves[e + 1]),
                    std::uint16_t(std::uint8_t(moves[e + 2]) << 8 | std::uint8_t(moves[e + 3])));
    }
    if (program.contains("aga"))
        chip.replace(0, 4, bigEndian32(1u << 2));
    TestSnapshot::Builder snapshot;
    snapshot.add("CHIP", chip);
    snapshot.add("AGAC", agacData(agaColours())); // read only where the flags name AGA
    snapshot.add("CRAM", ram);
    snapshot.end();
    return snapshot.bytes();
}

} // namespace DisplaySnapshot
