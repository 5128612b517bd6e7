#include "testsnapshot.h"

#include <QFile>

namespace TestSnapshot {

namespace {

constexpr std::uint32_t paddedStep(std::uint32_t length)
{
    return (length + 4u) & ~3u;
}

// Byte address and bit number of plane `plane` of pixel (x, y), per storage mode.
struct BitPlace
{
    qsizetype address;
    int bit;
};

BitPlace placeOf(
    int mode, qsizetype w, qsizetype h, qsizetype n, qsizetype x, qsizetype y, qsizetype plane)
{
    const int bit = 7 - int(x % 8);
    switch (mode) {
    case RipperState::ModeST:
        return { plane * w + w * n * y + x / 8, bit };
    case RipperState::ModeSP:
        return { (plane < 2 ? plane : 2 * h + plane - 2) * w + 2 * w * y + x / 8, bit };
    case RipperState::ModeCplus:
        return { 2 * w * y + 2 * (x / 8) + plane, bit };
    case RipperState::ModeCminus:
        return { 2 * w * y + x / 4 + plane / 2, 7 - int(x % 4) - 4 * int(plane % 2) };
    default:
        return { plane * w * h + w * y + x / 8, bit };
    }
}

} // namespace

QByteArray bigEndian16(std::uint16_t value)
{
    QByteArray bytes(2, '\0');
    bytes[0] = char(value >> 8);
    bytes[1] = char(value);
    return bytes;
}

QByteArray bigEndian32(std::uint32_t value)
{
    return bigEndian16(std::uint16_t(value >> 16)) + bigEndian16(std::uint16_t(value));
}

void putBytes(QByteArray &target, qsizetype at, const QByteArray &bytes)
{
    if (target.size() < at + bytes.size())
        target.append(QByteArray(at + bytes.size() - target.size(), '\0'));
    target.replace(at, bytes.size(), bytes);
}

Builder &Builder::addChunk(const QByteArray &tag, const QByteArray &data)
{
    const auto length = std::uint32_t(ChunkHeaderSize + data.size());
    addChunkWithLength(tag, length, data);
    return addRaw(QByteArray(paddedStep(length) - length, '\0'));
}

Builder &Builder::addChunkWithLength(
    const QByteArray &tag, std::uint32_t length, const QByteArray &data)
{
    m_chunks.append({ tag, m_bytes.size() });
    return addRaw(tag + bigEndian32(length) + bigEndian32(0) + data);
}

Builder &Builder::addRaw(const QByteArray &bytes)
{
    m_bytes.append(bytes);
    return *this;
}

Builder &Builder::addAsf()
{
    return addChunk("ASF ",
        bigEndian32(0) + QByteArray("UAE\0", 4) + QByteArray("4.4.0\0", 6)
            + QByteArray("Pelvane test snapshot\0", 22));
}

Builder &Builder::addCpu()
{
    // CPU model, flags, then the registers, all zero.
    return addChunk("CPU ", bigEndian32(68000) + bigEndian32(0) + QByteArray(4 * 18, '\0'));
}

Builder &Builder::addChip(const QList<std::uint16_t> &colourWords)
{
    QByteArray data(ChipDataSize, '\0');
    const qsizetype first = EcsColourOffset - ChunkHeaderSize;
    for (qsizetype i = 0; i < colourWords.size() && first + 2 * i + 2 <= data.size(); ++i)
        data.replace(first + 2 * i, 2, bigEndian16(colourWords[i]));
    return addChunk("CHIP", data);
}

Builder &Builder::addAgac(const QList<QRgb> &colours, std::uint8_t genlock)
{
    QByteArray data(4 * 256, '\0');
    for (qsizetype i = 0; i < 256; ++i) {
        const QRgb c = i < colours.size() ? colours[i] : 0;
        data[4 * i] = char(genlock);
        data[4 * i + 1] = char(qRed(c));
        data[4 * i + 2] = char(qGreen(c));
        data[4 * i + 3] = char(qBlue(c));
    }
    return addChunk("AGAC", data);
}

Builder &Builder::addCram(const QByteArray &chipRam)
{
    return addChunk("CRAM", chipRam);
}

Builder &Builder::addEnd()
{
    m_chunks.append({ "END ", m_bytes.size() });
    return addRaw(QByteArray("END ") + bigEndian32(8));
}

qsizetype Builder::chunkOffset(const QByteArray &tag) const
{
    for (const Chunk &chunk : m_chunks) {
        if (chunk.tag == tag)
            return chunk.offset;
    }
    return -1;
}

qsizetype Builder::cramDataOffset() const
{
    const qsizetype cram = chunkOffset("CRAM");
    return cram < 0 ? -1 : cram + ChunkHeaderSize;
}

bool Builder::writeTo(const QString &path) const
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(m_bytes) == m_bytes.size();
}

Builder standardSnapshot(const QByteArray &chipRam, const QList<std::uint16_t> &ecsColours,
    const QList<QRgb> &agaColours)
{
    Builder builder;
    builder.addAsf().addCpu().addChip(ecsColours);
    if (!agaColours.isEmpty())
        builder.addAgac(agaColours);
    builder.addCram(chipRam).addEnd();
    return builder;
}

void loadInto(RipperState &state, const QByteArray &bytes)
{
    state.fileData.assign(bytes.begin(), bytes.end());
    state.filesize = int(bytes.size());
    state.fileLoaded = true;
}

QByteArray copperMove(std::uint16_t reg, std::uint16_t value)
{
    return bigEndian16(reg) + bigEndian16(value);
}

QByteArray copperWait(std::uint8_t line, std::uint8_t column)
{
    // Bit 0 of the first word marks a wait; the mask word compares every position bit.
    QByteArray entry(2, '\0');
    entry[0] = char(line);
    entry[1] = char((column & 0xFE) | 1);
    return entry + bigEndian16(0xFFFE);
}

QByteArray copperEnd()
{
    return bigEndian16(0xFFFF) + bigEndian16(0xFFFE);
}

QByteArray copperColourMoves(const QList<std::uint16_t> &colours)
{
    QByteArray list;
    for (qsizetype i = 0; i < colours.size(); ++i)
        list += copperMove(std::uint16_t(0x0180 + 2 * i), colours[i]);
    return list;
}

QByteArray encodePicture(
    const QList<int> &indices, int widthBytes, int height, int planes, int mode)
{
    QByteArray bytes;
    const qsizetype width = 8 * qsizetype(widthBytes);
    for (qsizetype y = 0; y < height; ++y) {
        for (qsizetype x = 0; x < width; ++x) {
            const int index = indices.value(y * width + x);
            for (int plane = 0; plane < planes; ++plane) {
                const BitPlace place = placeOf(mode, widthBytes, height, planes, x, y, plane);
                if (bytes.size() <= place.address)
                    bytes.append(QByteArray(place.address + 1 - bytes.size(), '\0'));
                const char mask = char(1 << place.bit);
                bytes[place.address] = (index >> plane) & 1 ? char(bytes[place.address] | mask)
                                                            : char(bytes[place.address] & ~mask);
            }
        }
    }
    return bytes;
}

} // namespace TestSnapshot
