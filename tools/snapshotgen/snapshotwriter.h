#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>
#include <cstdint>

// Writing snapshots in the layout WinUAE gives them: a chain of chunks, each a 4-byte tag, a
// big-endian length counting the 12-byte header and the data, a flags word, the data and 1 to 4
// zero bytes so the next tag lies on a multiple of four; the chain ends with a bare "END " record.
namespace SnapshotWriter {

constexpr int ChunkHeaderSize = 12;
constexpr int ChipColourOffset = 240; // COLOR00, counted from the "CHIP" tag
constexpr int ChipDataSize = 516; // chipset flags and the custom registers
constexpr int AgaColourCount = 256;

QByteArray bigEndian16(std::uint16_t value);
QByteArray bigEndian32(std::uint32_t value);

class ChunkChain
{
public:
    // Appends a chunk and returns the file offset of its tag.
    qsizetype add(const QByteArray &tag, const QByteArray &data, std::uint32_t flags = 0);
    // Appends a compressed chunk (flags bit 0 set, the other bits as given): the data's size,
    // then `data` as a zlib stream at `level`. Returns the file offset of its tag.
    qsizetype addCompressed(
        const QByteArray &tag, const QByteArray &data, std::uint32_t flags = 1, int level = 6);
    // Appends the closing "END " record.
    void end();
    // File offset of the first data byte of the first chunk with `tag`, or -1.
    qsizetype dataOffset(const QByteArray &tag) const;
    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
    QList<QPair<QByteArray, qsizetype>> m_tags;
};

// The chunks the emulator compresses when compression is on.
QList<QByteArray> compressedTags();
// `snapshot` as the emulator saves it with compression on: every chunk whose tag is in `tags`
// compressed, everything else copied unchanged.
QByteArray compressChunks(
    const QByteArray &snapshot, const QList<QByteArray> &tags = compressedTags(), int level = 6);

// "CHIP" data holding `colourWords` (12-bit 0x0RGB values) from COLOR00 on.
QByteArray chipData(const QList<std::uint16_t> &colourWords);
// Stores custom register `reg` (a word, e.g. 0x0100 for BPLCON0) in "CHIP" data; the registers
// the chunk leaves out are not stored.
void setChipRegister(QByteArray &chipData, int reg, std::uint16_t value);
// "AGAC" data: up to 256 colours at full 8-bit precision, one 4-byte entry each.
QByteArray agacData(const QList<QRgb> &colours);

// Copper list entries: a move of `value` to the custom register `reg` (0x0180 is COLOR00), a wait
// for a beam position, and the end marker.
QByteArray copperMove(std::uint16_t reg, std::uint16_t value);
QByteArray copperWait(std::uint8_t line, std::uint8_t column);
// The two moves that point a register pair (COP1LC, BPLxPT) at a chip address, high word first.
QByteArray copperMoveLong(std::uint16_t reg, std::uint32_t address);
QByteArray copperEnd();

// Whether `encodePicture` can store every picture of that many planes in `mode`: the "SP", "C+"
// and "C-" layouts let higher planes share bytes with lower ones.
bool canEncode(int planes, int mode);

// The bitplane bytes of an 8-bit indexed picture whose width is a multiple of 8, in a storage
// mode of the viewer (0 "AM" to 4 "C-"), bit i of each colour index going to plane i. Empty when
// the layout cannot hold the picture.
QByteArray encodePicture(const QImage &picture, int planes, int mode);

} // namespace SnapshotWriter
