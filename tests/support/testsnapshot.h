#pragma once

#include "ripperstate.h"

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QString>
#include <cstdint>
#include <vector>

// Synthetic WinUAE snapshots laid out as the emulator writes them. Every chunk is a 4-byte tag,
// a big-endian length L counting the 12-byte header and the data, a flags word (0), the data,
// then 1 to 4 zero bytes so the next tag lies at (L + 4) with its two low bits cleared. The
// file ends with a bare 8-byte "END " record.
namespace TestSnapshot {

constexpr int ChunkHeaderSize = 12;
constexpr int ChipDataSize = 360;
constexpr int EcsColourOffset = 240; // COLOR00 from the "CHIP" tag
constexpr int AgaColourOffset = 12; // first colour entry from the "AGAC" tag

QByteArray bigEndian16(std::uint16_t value);
QByteArray bigEndian32(std::uint32_t value);
// Overwrites bytes of `target` from `at`, growing it with zeros when needed.
void putBytes(QByteArray &target, qsizetype at, const QByteArray &bytes);

class Builder
{
public:
    struct Chunk
    {
        QByteArray tag;
        qsizetype offset;
    };

    // A chunk with the length the format gives it and the padding that follows.
    Builder &addChunk(const QByteArray &tag, const QByteArray &data);
    // A chunk header with any length field, then `data` as it stands (no padding).
    Builder &addChunkWithLength(
        const QByteArray &tag, std::uint32_t length, const QByteArray &data = {});
    Builder &addRaw(const QByteArray &bytes);

    Builder &addAsf();
    Builder &addCpu();
    // "CHIP" with the colour words from COLOR00 on; words past the 32nd land in the registers
    // after COLOR31, which the ECS reader also takes.
    Builder &addChip(const QList<std::uint16_t> &colourWords);
    // "AGAC" with up to 256 colours; `genlock` sets byte 0 of every entry.
    Builder &addAgac(const QList<QRgb> &colours, std::uint8_t genlock = 0);
    Builder &addCram(const QByteArray &chipRam);
    Builder &addEnd();

    const QByteArray &bytes() const { return m_bytes; }
    const QList<Chunk> &chunks() const { return m_chunks; }
    // Offset of the first chunk with `tag`, or -1.
    qsizetype chunkOffset(const QByteArray &tag) const;
    // Offset of the first chip RAM byte, or -1.
    qsizetype cramDataOffset() const;
    bool writeTo(const QString &path) const;

private:
    QByteArray m_bytes;
    QList<Chunk> m_chunks;
};

// "ASF ", "CPU ", "CHIP" with `ecsColours`, "AGAC" when `agaColours` is not empty, "CRAM" with
// `chipRam`, "END ".
Builder standardSnapshot(const QByteArray &chipRam, const QList<std::uint16_t> &ecsColours = {},
    const QList<QRgb> &agaColours = {});

// Puts `bytes` into the state as a loaded snapshot.
void loadInto(RipperState &state, const QByteArray &bytes);

// Copper list entries: a move of `value` to the custom register at `reg` (0x0180 is COLOR00),
// a wait, and the end marker 0xFFFF, 0xFFFE.
QByteArray copperMove(std::uint16_t reg, std::uint16_t value);
QByteArray copperWait(std::uint8_t line, std::uint8_t column);
QByteArray copperEnd();
// Moves of `colours` to COLOR00, COLOR01, ... in order, without an end marker.
QByteArray copperColourMoves(const QList<std::uint16_t> &colours);

// Bitplane bytes for a picture of `widthBytes` x `height` with the given colour indices (row by
// row, 8 * widthBytes per row), bit i of each index going to plane i. Layouts in which planes
// share bytes ("SP" above 4 planes, "C+" and "C-" above 2) do not round-trip.
QByteArray encodePicture(const QList<int> &indices, int widthBytes, int height, int planes,
    int mode = RipperState::ModeAM);

} // namespace TestSnapshot
