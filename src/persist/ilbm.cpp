#include "ilbm.h"

#include <QSaveFile>

#include <algorithm>
#include <vector>

namespace Ilbm {

namespace {

constexpr std::int64_t MaxChunk = 0xFFFFFFFF; // lengths are u32

void put16(QByteArray &out, std::uint32_t value)
{
    out += char(value >> 8 & 0xFF);
    out += char(value & 0xFF);
}

void put32(QByteArray &out, std::uint32_t value)
{
    put16(out, value >> 16);
    put16(out, value & 0xFFFF);
}

void appendChunk(QByteArray &out, const char *id, const QByteArray &data)
{
    out.append(id, 4);
    put32(out, std::uint32_t(data.size()));
    out += data;
    if (data.size() % 2) // pad byte, not counted in the length
        out += '\0';
}

// Equal bytes from `at`, capped at 128: the longest replicate run.
int runAt(const std::uint8_t *bytes, int count, int at)
{
    int run = 1;
    while (at + run < count && run < 128 && bytes[at + run] == bytes[at])
        ++run;
    return run;
}

std::uint8_t byteOf(int value)
{
    return std::uint8_t(std::clamp(value, 0, 255));
}

} // namespace

int planesFor(const QImage &indexed)
{
    const QImage image = indexed.format() == QImage::Format_Indexed8
        ? indexed
        : indexed.convertToFormat(QImage::Format_Indexed8);
    int highest = 0;
    for (int y = 0; y < image.height() && image.width() > 0; ++y) {
        const uchar *line = image.constScanLine(y);
        highest = std::max<int>(highest, *std::max_element(line, line + image.width()));
    }
    int planes = 1;
    while (planes < 8 && highest >> planes)
        ++planes;
    return planes;
}

QByteArray byteRun1(const std::uint8_t *bytes, int count)
{
    QByteArray out;
    if (!bytes || count <= 0)
        return out;
    out.reserve(count + count / 128 + 1);
    int literal = 0; // first byte not yet written
    const auto flushLiteral = [&](int end) {
        while (literal < end) {
            const int n = std::min(128, end - literal);
            out += char(n - 1);
            out.append(reinterpret_cast<const char *>(bytes + literal), n);
            literal += n;
        }
    };
    for (int i = 0; i < count;) {
        const int run = runAt(bytes, count, i);
        // Two equal bytes pay as a run only when no literal is open and none follows.
        const bool replicate = run >= 3
            || (run == 2 && literal == i && (i + 2 == count || runAt(bytes, count, i + 2) >= 3));
        if (!replicate) {
            i += run;
            continue;
        }
        flushLiteral(i);
        out += char(257 - run); // -(run - 1) as a signed byte; never -128
        out += char(bytes[i]);
        i += run;
        literal = i;
    }
    flushLiteral(count);
    return out;
}

QByteArray encode(const QImage &indexed, const QList<QRgb> &palette, const Options &options)
{
    const int planes = options.planes;
    const int width = indexed.width();
    const int height = indexed.height();
    if (width < 1 || width > 0xFFFF || height < 1 || height > 0xFFFF || planes < 1 || planes > 8)
        return {};
    const QImage image = indexed.format() == QImage::Format_Indexed8
        ? indexed
        : indexed.convertToFormat(QImage::Format_Indexed8);
    if (image.isNull())
        return {};

    QByteArray header;
    put16(header, std::uint32_t(width));
    put16(header, std::uint32_t(height));
    put32(header, 0); // x, y
    header += char(planes);
    header += char(0); // masking
    header += char(1); // ByteRun1
    header += char(0);
    const int transparent = options.transparent;
    put16(header, transparent >= 0 && transparent <= 0xFFFF ? std::uint32_t(transparent) : 0);
    header += char(byteOf(options.xAspect));
    header += char(byteOf(options.yAspect));
    put16(header, std::uint32_t(width));
    put16(header, std::uint32_t(height));

    QByteArray colours;
    for (int i = 0; i < 1 << planes; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : qRgb(0, 0, 0);
        colours += char(qRed(c));
        colours += char(qGreen(c));
        colours += char(qBlue(c));
    }

    // Each line: every plane's row, plane 0 first, in whole 16-bit words.
    const int rowBytes = (width + 15) / 16 * 2;
    std::vector<std::uint8_t> rows(std::size_t(rowBytes) * std::size_t(planes));
    QByteArray body;
    for (int y = 0; y < height; ++y) {
        std::fill(rows.begin(), rows.end(), 0);
        const uchar *line = image.constScanLine(y);
        for (int x = 0; x < width; ++x)
            for (int k = 0; k < planes; ++k)
                if (line[x] >> k & 1)
                    rows[std::size_t(k) * rowBytes + std::size_t(x / 8)] |= 0x80 >> (x % 8);
        for (int k = 0; k < planes; ++k)
            body += byteRun1(rows.data() + std::size_t(k) * rowBytes, rowBytes);
        if (body.size() > MaxChunk) // refuse before a hostile picture takes all memory
            return {};
    }

    QByteArray chunks("ILBM");
    appendChunk(chunks, "BMHD", header);
    appendChunk(chunks, "CMAP", colours);
    if (options.camg != 0) {
        QByteArray mode;
        put32(mode, options.camg);
        appendChunk(chunks, "CAMG", mode);
    }
    appendChunk(chunks, "BODY", body);
    if (std::int64_t(chunks.size()) > MaxChunk)
        return {};
    QByteArray file("FORM");
    put32(file, std::uint32_t(chunks.size()));
    return file + chunks;
}

Result write(const QImage &indexed, const QList<QRgb> &palette, const Options &options,
    const QString &fileName)
{
    const QByteArray bytes = encode(indexed, palette, options);
    if (bytes.isEmpty())
        return Result::TooLarge;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return Result::WriteFailed;
    }
    return file.commit() ? Result::Written : Result::WriteFailed;
}

} // namespace Ilbm
