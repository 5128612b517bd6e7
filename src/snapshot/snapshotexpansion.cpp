#include "snapshotexpansion.h"

#include <QtEndian>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace SnapshotExpansion {

namespace {

constexpr std::int64_t HeaderSize = 12; // tag, length, flags
constexpr std::int64_t EndSize = 8; // "END " and its length, nothing more
constexpr std::uint32_t Compressed = 1;
constexpr std::int64_t MaxRatio = 1032; // of deflate: 258 bytes for 2 bits
// Output between two progress reports; small enough to keep a dialog lively.
constexpr std::int64_t ProgressStep = std::int64_t(4) << 20;

// The step to the next tag: the length rounded up past the next multiple of four (1 to 4 bytes
// of padding), in 64 bits so no length wraps it to 0.
std::int64_t stepAfter(std::int64_t length)
{
    return (length + 4) & ~std::int64_t(3);
}

// A run of the file copied as it is, or one compressed chunk.
struct Piece
{
    std::int64_t from = 0; // file position
    std::int64_t size = 0; // bytes taken from the file
    bool compressed = false;
    std::uint32_t unpacked = 0; // U, for a compressed chunk
};

struct Plan
{
    Outcome outcome = Outcome::Raw;
    QString problem;
    std::vector<Piece> pieces;
    std::int64_t imageSize = 0;
    std::int64_t unpackedTotal = 0;
};

QString chunkName(const std::uint8_t *data, std::int64_t at)
{
    QString name;
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t c = data[at + i];
        name += c >= 0x20 && c < 0x7F ? QChar(c) : QChar('?');
    }
    return QStringLiteral("chunk %1 at %2").arg(name).arg(at);
}

void addCopy(Plan &plan, std::int64_t from, std::int64_t size)
{
    if (!plan.pieces.empty() && !plan.pieces.back().compressed
        && plan.pieces.back().from + plan.pieces.back().size == from)
        plan.pieces.back().size += size;
    else
        plan.pieces.push_back({ from, size, false, 0 });
    plan.imageSize += size;
}

Plan fail(QString problem)
{
    Plan plan;
    plan.outcome = Outcome::Failed;
    plan.problem = std::move(problem);
    return plan;
}

// Walks the chain and sizes the image without touching the compressed data.
Plan planOf(const std::uint8_t *data, std::int64_t size, std::int64_t maxSize)
{
    Plan plan;
    if (size < HeaderSize || std::memcmp(data, "ASF ", 4) != 0)
        return plan;
    bool ended = false; // past the first "END "
    std::int64_t lastCompressed = -1; // tag position
    std::int64_t at = 0;
    while (at < size) {
        const std::int64_t left = size - at;
        if (left >= EndSize && std::memcmp(data + at, "END ", 4) == 0) {
            ended = true;
            addCopy(plan, at, EndSize);
            at += EndSize;
            continue;
        }
        // What the walk cannot read after the first "END " stays as it is; before it, the file
        // is no whole chain and so no snapshot to expand.
        const std::int64_t length = left >= 8 ? qFromBigEndian<std::uint32_t>(data + at + 4) : 0;
        const bool readable = left >= HeaderSize && length >= HeaderSize;
        const std::uint32_t flags = readable ? qFromBigEndian<std::uint32_t>(data + at + 8) : 0;
        if (!readable || (!(flags & Compressed) && stepAfter(length) > left)) {
            if (!ended)
                return Plan();
            addCopy(plan, at, left);
            break;
        }
        if (!(flags & Compressed)) {
            addCopy(plan, at, stepAfter(length));
            at += stepAfter(length);
            continue;
        }
        if (length < HeaderSize + 4)
            return fail(chunkName(data, at)
                + QStringLiteral(": length %1 leaves no room for the uncompressed size")
                      .arg(length));
        if (length > left)
            return fail(chunkName(data, at) + QStringLiteral(": compressed data ends early"));
        const std::uint32_t unpacked = qFromBigEndian<std::uint32_t>(data + at + 12);
        // Deflate gives at most 1032 bytes per input byte: a larger U is refused before the
        // image is allocated.
        const std::int64_t packed = length - HeaderSize - 4;
        if (unpacked > packed * MaxRatio + 1024)
            return fail(chunkName(data, at)
                + QStringLiteral(": declares %1 bytes, more than %2 compressed bytes can hold")
                      .arg(unpacked)
                      .arg(packed));
        plan.pieces.push_back({ at, std::min(stepAfter(length), left), true, unpacked });
        plan.imageSize += stepAfter(HeaderSize + std::int64_t(unpacked));
        plan.unpackedTotal += unpacked;
        if (plan.imageSize > maxSize)
            return fail(chunkName(data, at)
                + QStringLiteral(": expanded snapshot would exceed %1 bytes").arg(maxSize));
        lastCompressed = at;
        at += stepAfter(length);
    }
    if (!ended || lastCompressed < 0)
        return Plan();
    // The chunks after the last compressed one count too.
    if (plan.imageSize > maxSize)
        return fail(chunkName(data, lastCompressed)
            + QStringLiteral(": expanded snapshot would exceed %1 bytes").arg(maxSize));
    plan.outcome = Outcome::Expanded;
    return plan;
}

// Inflates one chunk's stream into exactly `out.size` bytes; an empty text means success.
class Inflater
{
public:
    Inflater() { m_ready = inflateInit(&m_stream) == Z_OK; }
    ~Inflater() { inflateEnd(&m_stream); }
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    // `done` counts output for the progress reports; false from `progress` cancels.
    Outcome run(const std::uint8_t *in, std::int64_t inSize, std::uint8_t *out,
        std::int64_t outSize, std::int64_t &done, std::int64_t total, const Progress &progress,
        QString &problem)
    {
        if (!m_ready || inflateReset(&m_stream) != Z_OK) {
            problem = QStringLiteral("cannot start decompression");
            return Outcome::Failed;
        }
        m_stream.next_in = const_cast<Bytef *>(in);
        m_stream.avail_in = uInt(inSize);
        std::int64_t written = 0;
        int status = Z_OK;
        while (written < outSize) {
            const std::int64_t slice = std::min(ProgressStep, outSize - written);
            m_stream.next_out = out + written;
            m_stream.avail_out = uInt(slice);
            status = inflate(&m_stream, Z_NO_FLUSH);
            const std::int64_t produced = slice - std::int64_t(m_stream.avail_out);
            written += produced;
            done += produced;
            if (progress && !progress(done, total))
                return Outcome::Cancelled;
            if (status == Z_STREAM_END)
                break;
            if (status != Z_OK)
                return broken(status, problem);
        }
        if (status != Z_STREAM_END) {
            // Every declared byte is there; the stream must end now and give nothing more.
            std::uint8_t extra = 0;
            m_stream.next_out = &extra;
            m_stream.avail_out = 1;
            status = inflate(&m_stream, Z_NO_FLUSH);
            if (m_stream.avail_out == 0) {
                problem = QStringLiteral("compressed data holds more than the %1 bytes declared")
                              .arg(outSize);
                return Outcome::Failed;
            }
            if (status != Z_STREAM_END)
                return broken(status, problem);
        }
        if (written < outSize) {
            problem = QStringLiteral("compressed data gives %1 bytes, not the %2 declared")
                          .arg(written)
                          .arg(outSize);
            return Outcome::Failed;
        }
        return Outcome::Expanded;
    }

private:
    Outcome broken(int status, QString &problem) const
    {
        if (status == Z_BUF_ERROR || (status == Z_OK && m_stream.avail_in == 0))
            problem = QStringLiteral("compressed data ends early");
        else if (status == Z_MEM_ERROR)
            problem = QStringLiteral("not enough memory to decompress");
        else
            problem = QStringLiteral("compressed data is corrupt (%1)")
                          .arg(QString::fromLatin1(m_stream.msg ? m_stream.msg : "bad stream"));
        return Outcome::Failed;
    }

    z_stream m_stream {};
    bool m_ready = false;
};

} // namespace

Result expand(
    const std::uint8_t *data, std::int64_t size, std::int64_t maxSize, const Progress &progress)
{
    Result result;
    Plan plan = planOf(data, size, maxSize);
    result.outcome = plan.outcome;
    result.problem = plan.problem;
    if (plan.outcome != Outcome::Expanded)
        return result;
    try {
        result.expanded.resize(std::size_t(plan.imageSize));
    } catch (const std::bad_alloc &) {
        result.outcome = Outcome::Failed;
        result.problem = QStringLiteral("not enough memory for the %1-byte expanded snapshot")
                             .arg(plan.imageSize);
        return result;
    }
    std::uint8_t *out = result.expanded.data();
    Inflater inflater;
    std::int64_t done = 0;
    std::int64_t written = 0;
    for (const Piece &piece : plan.pieces) {
        if (!piece.compressed) {
            std::memcpy(out + written, data + piece.from, std::size_t(piece.size));
            written += piece.size;
            continue;
        }
        const std::int64_t length = qFromBigEndian<std::uint32_t>(data + piece.from + 4);
        const std::int64_t unpacked = piece.unpacked;
        std::memcpy(out + written, data + piece.from, 4);
        qToBigEndian(std::uint32_t(unpacked + HeaderSize), out + written + 4);
        qToBigEndian(
            qFromBigEndian<std::uint32_t>(data + piece.from + 8) & ~Compressed, out + written + 8);
        QString problem;
        const Outcome outcome
            = inflater.run(data + piece.from + HeaderSize + 4, length - HeaderSize - 4,
                out + written + HeaderSize, unpacked, done, plan.unpackedTotal, progress, problem);
        if (outcome != Outcome::Expanded) {
            result = Result();
            result.outcome = outcome;
            if (outcome == Outcome::Failed)
                result.problem = chunkName(data, piece.from) + QStringLiteral(": ") + problem;
            return result;
        }
        const std::int64_t image = stepAfter(HeaderSize + unpacked);
        std::memset(
            out + written + HeaderSize + unpacked, 0, std::size_t(image - HeaderSize - unpacked));
        written += image;
    }
    return result;
}

} // namespace SnapshotExpansion
