#pragma once

#include "ripperstate.h"
#include "snapshotwriter.h"

#include <QString>

// Synthetic WinUAE snapshots for the tests, on top of the snapshot writer.
namespace TestSnapshot {

using SnapshotWriter::bigEndian32;
using SnapshotWriter::copperEnd;

// Overwrites bytes of `target` from `at`, growing it with zeros when needed.
void putBytes(QByteArray &target, qsizetype at, const QByteArray &bytes);

// `count` distinct 12-bit colour words with their ignored high bits set, and the colour of one.
QList<std::uint16_t> sampleWords(int count, int seed);
QRgb rgbOfWord(int word);
QList<QRgb> rgbOfWords(const QList<std::uint16_t> &words);

// Moves of `colours` to COLOR00, COLOR01, ... in order, without an end marker.
QByteArray copperColourMoves(const QList<std::uint16_t> &colours);

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
    bool writeTo(const QString &path) const;
};

// "ASF ", "CHIP" with `ecsColours`, "AGAC" when `agaColours` is not empty, "CRAM" with
// `chipRam`, "END ".
Builder standardSnapshot(const QByteArray &chipRam, const QList<std::uint16_t> &ecsColours = {},
    const QList<QRgb> &agaColours = {});

// Puts `bytes` into the state as a loaded snapshot.
void loadInto(RipperState &state, const QByteArray &bytes);

} // namespace TestSnapshot
