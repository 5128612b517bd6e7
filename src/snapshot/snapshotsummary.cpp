#include "snapshotsummary.h"

#include "chunks.h"
#include <QtEndian>

#include <QStringList>
#include <algorithm>
#include <cstring>

namespace SnapshotSummary {

namespace {

const QString Separator = QStringLiteral(" \u00B7 ");

// Data bytes of the chunk at `tag`, as far as both its length and the file hold them.
std::int64_t dataEnd(const RipperState &state, int tag)
{
    const std::int64_t size = Chunks::dataSize(state);
    if (size - tag < 8)
        return tag;
    return std::min<std::int64_t>(
        size, tag + std::int64_t(qFromBigEndian<std::uint32_t>(state.bytes() + tag + 4)));
}

// The NUL-terminated strings from `from` on, at most `count`, none past `end`.
QStringList stringsOf(const RipperState &state, std::int64_t from, std::int64_t end, int count)
{
    QStringList strings;
    const auto *bytes = reinterpret_cast<const char *>(state.bytes());
    while (strings.size() < count && from < end) {
        const char *start = bytes + from;
        const auto *nul = static_cast<const char *>(std::memchr(start, 0, std::size_t(end - from)));
        const std::int64_t length = nul ? nul - start : end - from;
        strings << QString::fromUtf8(start, qsizetype(length)).trimmed();
        from += length + 1;
    }
    return strings;
}

QString emulatorOf(const RipperState &state)
{
    constexpr std::int64_t NameOffset = 16; // after the header and a zero word
    const QStringList strings = stringsOf(state, NameOffset, dataEnd(state, 0), 2);
    QStringList parts;
    for (const QString &s : strings) {
        if (!s.isEmpty())
            parts << s;
    }
    return parts.join(QLatin1Char(' '));
}

QString chipsetOf(const RipperState &state)
{
    const int tag = Chunks::findChunk(state, "CHIP");
    constexpr int FlagsOffset = 12;
    if (tag < 0 || dataEnd(state, tag) - tag < FlagsOffset + 4)
        return QString();
    const std::uint32_t flags = qFromBigEndian<std::uint32_t>(state.bytes() + tag + FlagsOffset);
    if (flags & 4)
        return QStringLiteral("AGA");
    switch (flags & 3) {
    case 3:
        return QStringLiteral("ECS");
    case 1:
        return QStringLiteral("ECS Agnus");
    case 2:
        return QStringLiteral("ECS Denise");
    default:
        return QStringLiteral("OCS");
    }
}

QString chipRamOf(const RipperState &state)
{
    const auto chip = Chunks::chipRam(state);
    if (!chip)
        return QString();
    if (chip->size % 1024 == 0)
        return QStringLiteral("chip RAM %1 KiB").arg(chip->size / 1024);
    return QStringLiteral("chip RAM %1 bytes").arg(chip->size);
}

} // namespace

QString describe(const RipperState &state, bool expanded)
{
    const std::int64_t size = Chunks::dataSize(state);
    if (Chunks::findChunk(state, "ASF ") != 0)
        return QStringLiteral("raw file") + Separator + QStringLiteral("%1 bytes").arg(size);
    QStringList parts;
    for (const QString &part : { emulatorOf(state), chipsetOf(state), chipRamOf(state) }) {
        if (!part.isEmpty())
            parts << part;
    }
    parts << (expanded ? QStringLiteral("compressed save") : QStringLiteral("uncompressed save"));
    return parts.join(Separator);
}

QString chipAddress(const RipperState &state, std::int64_t position)
{
    const auto chip = Chunks::chipRam(state);
    if (!chip || !chip->contains(position))
        return QString();
    return QStringLiteral("chip $")
        + QString::number(position - chip->first, 16).toUpper().rightJustified(6, QLatin1Char('0'));
}

} // namespace SnapshotSummary
