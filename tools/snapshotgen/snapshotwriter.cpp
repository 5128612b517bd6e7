#include "snapshotwriter.h"

#include "chipregisters.h"
#include "ripperstate.h"

#include <zlib.h>

namespace SnapshotWriter {

namespace {

struct BitPlace
{
    qsizetype address;
    int bit;
};

// Where plane i of pixel (x, y) lives in a picture of W bytes by H lines and N planes from byte 0:
// the decoder's layouts read backwards.
BitPlace placeOf(int mode, qsizetype W, qsizetype H, qsizetype N, qsizetype x, qsizetype y, int i)
{
    const int bit = 7 - int(x % 8);
    switch (mode) {
    case RipperState::ModeST:
        return { i * W + W * N * y + x / 8, bit };
    case RipperState::ModeSP:
        return { (i < 2 ? i * W : (2 * H + i - 2) * W) + 2 * W * y + x / 8, bit };
    case RipperState::ModeCplus:
        return { 2 * W * y + 2 * (x / 8) + i, bit };
    case RipperState::ModeCminus:
        return { 2 * W * y + x / 4 + i / 2, 7 - int(x % 4) - 4 * (i % 2) };
    default:
        return { i * W * H + W * y + x / 8, bit };
    }
}

qsizetype encodedSize(int mode, qsizetype W, qsizetype H, qsizetype N)
{
    switch (mode) {
    case RipperState::ModeSP:
        return (N <= 2 ? 2 : 4) * W * H;
    case RipperState::ModeCplus:
    case RipperState::ModeCminus:
        return 2 * W * H;
    default:
        return N * W * H;
    }
}

} // namespace

QByteArray bigEndian16(std::uint16_t value)
{
    QByteArray bytes(2, '\0');
    bytes[0] = char(value >> 8);
    bytes[1] = char(value & 0xFF);
    return bytes;
}

QByteArray bigEndian32(std::uint32_t value)
{
    return bigEndian16(std::uint16_t(value >> 16)) + bigEndian16(std::uint16_t(value & 0xFFFF));
}

qsizetype ChunkChain::add(const QByteArray &tag, const QByteArray &data, std::uint32_t flags)
{
    const qsizetype at = m_bytes.size();
    const auto length = std::uint32_t(ChunkHeaderSize + data.size());
    m_tags.append({ tag, at });
    m_bytes += tag.leftJustified(4, ' ', true) + bigEndian32(length) + bigEndian32(flags) + data;
    const std::uint32_t padded = (length + 4u) & ~3u;
    m_bytes += QByteArray(qsizetype(padded - length), '\0');
    return at;
}

qsizetype ChunkChain::addCompressed(
    const QByteArray &tag, const QByteArray &data, std::uint32_t flags, int level)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray stream(qsizetype(size), '\0');
    compress2(reinterpret_cast<Bytef *>(stream.data()), &size,
        reinterpret_cast<const Bytef *>(data.constData()), uLong(data.size()), level);
    stream.truncate(qsizetype(size));
    // Padding follows the stream's size, as the length counts the size word too.
    const qsizetype at = add(tag, bigEndian32(std::uint32_t(data.size())) + stream, flags | 1u);
    return at;
}

void ChunkChain::end()
{
    m_tags.append({ QByteArray("END "), m_bytes.size() });
    m_bytes += QByteArray("END ") + bigEndian32(8);
}

qsizetype ChunkChain::dataOffset(const QByteArray &tag) const
{
    for (const auto &entry : m_tags) {
        if (entry.first == tag)
            return entry.second + ChunkHeaderSize;
    }
    return -1;
}

QList<QByteArray> compressedTags()
{
    return { "CRAM", "BRAM", "FRAM", "ZRAM", "ZCRM", "A3K1", "A3K2", "BORO", "PRAM", "DSD0", "DSD1",
        "DSD2", "DSD3", "ACTR", "HRTM", "CONF", "LOG " };
}

QByteArray compressChunks(const QByteArray &snapshot, const QList<QByteArray> &tags, int level)
{
    ChunkChain chain;
    qsizetype at = 0;
    while (snapshot.size() - at >= 8) {
        const QByteArray tag = snapshot.mid(at, 4);
        const auto *p = reinterpret_cast<const uchar *>(snapshot.constData() + at + 4);
        const qint64 length = qint64(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        if (tag == "END ") {
            chain.end();
            at += 8;
            continue;
        }
        const qint64 step = (length + 4) & ~qint64(3);
        if (length < ChunkHeaderSize || step > snapshot.size() - at)
            break;
        const QByteArray data = snapshot.mid(at + ChunkHeaderSize, length - ChunkHeaderSize);
        const QByteArray flags = snapshot.mid(at + 8, 4);
        const auto flagWord = std::uint32_t(uchar(flags[0])) << 24 | uchar(flags[1]) << 16
            | uchar(flags[2]) << 8 | uchar(flags[3]);
        if (tags.contains(tag) && !(flagWord & 1))
            chain.addCompressed(tag, data, flagWord | 1u, level);
        else
            chain.add(tag, data, flagWord);
        at += step;
    }
    return chain.bytes() + snapshot.mid(at);
}

QByteArray chipData(const QList<std::uint16_t> &colourWords)
{
    QByteArray data(ChipDataSize, '\0');
    const qsizetype first = ChipColourOffset - ChunkHeaderSize;
    for (qsizetype i = 0; i < colourWords.size() && first + 2 * i + 2 <= data.size(); ++i)
        data.replace(first + 2 * i, 2, bigEndian16(colourWords[i]));
    return data;
}

void setChipRegister(QByteArray &chipData, int reg, std::uint16_t value)
{
    const int at = ChipRegisters::offsetOf(reg) - ChunkHeaderSize;
    if (at >= 0 && at + 2 <= chipData.size())
        chipData.replace(at, 2, bigEndian16(value));
}

QByteArray agacData(const QList<QRgb> &colours)
{
    QByteArray data(4 * AgaColourCount, '\0');
    for (qsizetype i = 0; i < colours.size() && i < AgaColourCount; ++i) {
        data[4 * i + 1] = char(qRed(colours[i]));
        data[4 * i + 2] = char(qGreen(colours[i]));
        data[4 * i + 3] = char(qBlue(colours[i]));
    }
    return data;
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

QByteArray copperMoveLong(std::uint16_t reg, std::uint32_t address)
{
    return copperMove(reg, std::uint16_t(address >> 16))
        + copperMove(std::uint16_t(reg + 2), std::uint16_t(address & 0xFFFF));
}

QByteArray copperEnd()
{
    return bigEndian16(0xFFFF) + bigEndian16(0xFFFE);
}

bool canEncode(int planes, int mode)
{
    if (planes < 1 || planes > 8)
        return false;
    switch (mode) {
    case RipperState::ModeAM:
    case RipperState::ModeST:
        return true;
    case RipperState::ModeSP:
        return planes <= 4;
    case RipperState::ModeCplus:
    case RipperState::ModeCminus:
        return planes <= 2;
    default:
        return false;
    }
}

QByteArray encodePicture(const QImage &picture, int planes, int mode)
{
    if (!canEncode(planes, mode) || picture.format() != QImage::Format_Indexed8
        || picture.width() % 8 != 0)
        return QByteArray();
    const qsizetype W = picture.width() / 8;
    const qsizetype H = picture.height();
    QByteArray bytes(encodedSize(mode, W, H, planes), '\0');
    for (int y = 0; y < picture.height(); ++y) {
        const uchar *line = picture.constScanLine(y);
        for (int x = 0; x < picture.width(); ++x) {
            for (int i = 0; i < planes; ++i) {
                if (!((line[x] >> i) & 1))
                    continue;
                const BitPlace place = placeOf(mode, W, H, planes, x, y, i);
                bytes[place.address] = char(bytes[place.address] | (1 << place.bit));
            }
        }
    }
    return bytes;
}

} // namespace SnapshotWriter
