#include "testsnapshot.h"

#include "palette.h"

#include <QFile>

namespace TestSnapshot {

void putBytes(QByteArray &target, qsizetype at, const QByteArray &bytes)
{
    if (target.size() < at + bytes.size())
        target.resize(at + bytes.size(), '\0');
    target.replace(at, bytes.size(), bytes);
}

QList<std::uint16_t> sampleWords(int count, int seed)
{
    QList<std::uint16_t> words;
    for (int i = 0; i < count; ++i)
        words.append(std::uint16_t(0xF000 | ((i * 0x15B + seed) & 0x0FFF)));
    return words;
}

QRgb rgbOfWord(int word)
{
    return Palette::color12ToRgb(std::uint8_t(word >> 8), std::uint8_t(word));
}

QList<QRgb> rgbOfWords(const QList<std::uint16_t> &words)
{
    QList<QRgb> colours;
    for (std::uint16_t word : words)
        colours << rgbOfWord(word);
    return colours;
}

QByteArray copperColourMoves(const QList<std::uint16_t> &colours)
{
    QByteArray list;
    for (qsizetype i = 0; i < colours.size(); ++i)
        list += SnapshotWriter::copperMove(std::uint16_t(0x0180 + 2 * i), colours[i]);
    return list;
}

bool Builder::writeTo(const QString &path) const
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes()) == bytes().size();
}

Builder standardSnapshot(const QByteArray &chipRam, const QList<std::uint16_t> &ecsColours,
    const QList<QRgb> &agaColours)
{
    Builder builder;
    builder.add("ASF ", QByteArray("\0\0\0\0UAE\0", 8));
    builder.add("CHIP", SnapshotWriter::chipData(ecsColours));
    if (!agaColours.isEmpty())
        builder.add("AGAC", SnapshotWriter::agacData(agaColours));
    builder.add("CRAM", chipRam);
    builder.end();
    return builder;
}

void loadInto(RipperState &state, const QByteArray &bytes)
{
    state.fileData.assign(bytes.begin(), bytes.end());
    state.filesize = int(bytes.size());
    state.fileLoaded = true;
}

} // namespace TestSnapshot
