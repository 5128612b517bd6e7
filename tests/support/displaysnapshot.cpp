#include "displaysnapshot.h"

#include "testsnapshot.h"

namespace DisplaySnapshot {

using namespace SnapshotWriter;

// Pointer pairs take a chip address: the high word here, the low word in the next register.
static bool isPointer(unsigned reg)
{
    return reg == 0x080 || reg == 0x084 || (reg >= 0x0E0 && reg <= 0x0FC && reg % 4 == 0);
}

QByteArray build(const QString &program)
{
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
        else if (t[0] == '@')
            at = hex(t.mid(1));
        else if (t[0] == 'w' || t[0] == 's')
            put(bigEndian16(std::uint16_t(hex(t.mid(1)) << 8 | 1))
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

QList<QRgb> agaColours()
{
    QList<QRgb> colours;
    for (int i = 0; i < 256; ++i)
        colours << qRgb(i, 255 - i, i * 7 % 256);
    return colours;
}

} // namespace DisplaySnapshot
