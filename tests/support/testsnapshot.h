#pragma once

#include "palette.h"
#include "snapshotwriter.h"

#include <QString>

// Synthetic WinUAE snapshots for the tests, on top of the snapshot writer.
namespace TestSnapshot {

using SnapshotWriter::bigEndian32;
using SnapshotWriter::copperEnd;

// Overwrites bytes of `target` from `at`, growing it with zeros when needed.
inline void putBytes(QByteArray &target, qsizetype at, const QByteArray &bytes)
{
    if (target.size() < at + bytes.size())
        target.resize(at + bytes.size(), '\0');
    target.replace(at, bytes.size(), bytes);
}

// `count` distinct 12-bit colour words with their ignored high bits set, and the colour of one.
inline QList<std::uint16_t> sampleWords(int count, int seed)
{
    QList<std::uint16_t> words;
    for (int i = 0; i < count; ++i)
        words.append(std::uint16_t(0xF000 | ((i * 0x15B + seed) & 0x0FFF)));
    return words;
}

inline QRgb rgbOfWord(int word)
{
    return Palette::color12ToRgb(std::uint8_t(word >> 8), std::uint8_t(word));
}

inline QList<QRgb> rgbOfWords(const QList<std::uint16_t> &words)
{
    QList<QRgb> colours;
    for (std::uint16_t word : words)
        colours << rgbOfWord(word);
    return colours;
}

// Moves of `colours` to COLOR00, COLOR01, ... in order, without an end marker.
inline QByteArray copperColourMoves(const QList<std::uint16_t> &colours)
{
    QByteArray list;
    for (qsizetype i = 0; i < colours.size(); ++i)
        list += SnapshotWriter::copperMove(std::uint16_t(0x0180 + 2 * i), colours[i]);
    return list;
}

class Builder : public SnapshotWriter::ChunkChain
{
public:
    // Offset of the tag of the first chunk with `tag`, or -1.
    qsizetype chunkOffset(const QByteArray &tag) const
    {
        return qMax<qsizetype>(-1, dataOffset(tag) - SnapshotWriter::ChunkHeaderSize);
    }
    // Offset of the first chip RAM byte, or -1.
    qsizetype cramDataOffset() const { return dataOffset("CRAM"); }
};

// "ASF ", "CHIP" with `ecsColours`, "AGAC" when `agaColours` is not empty, "CRAM" with
// `chipRam`, "END ".
inline Builder standardSnapshot(const QByteArray &chipRam,
    const QList<std::uint16_t> &ecsColours = {}, const QList<QRgb> &agaColours = {})
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

} // namespace TestSnapshot
