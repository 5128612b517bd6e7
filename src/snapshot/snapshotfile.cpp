#include "snapshotfile.h"

#include <QFile>
#include <algorithm>
#include <new>

namespace SnapshotFile {

namespace {

// Bytes read between two progress reports.
constexpr qint64 ReadStep = qint64(8) << 20;

} // namespace

ReadResult read(const QString &path, const SnapshotExpansion::Progress &progress)
{
    ReadResult result;
    std::vector<std::uint8_t> bytes;
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return result;
        const qint64 size = file.size();
        if (size <= 0 || size > MaxSize)
            return result;
        try {
            bytes.resize(static_cast<std::size_t>(size));
        } catch (const std::bad_alloc &) {
            return result;
        }
        for (qint64 done = 0; done < size;) {
            const qint64 step = progress ? std::min(ReadStep, size - done) : size - done;
            if (file.read(reinterpret_cast<char *>(bytes.data() + done), step) != step)
                return result;
            done += step;
            if (progress && !progress(done, size)) {
                result.cancelled = true;
                return result;
            }
        }
    }
    const auto fileSize = std::int64_t(bytes.size());
    SnapshotExpansion::Progress expansionProgress;
    if (progress)
        expansionProgress = [&](std::int64_t done, std::int64_t total) {
            return progress(fileSize + done, fileSize + total);
        };
    SnapshotExpansion::Result expansion
        = SnapshotExpansion::expand(bytes.data(), fileSize, MaxSize, expansionProgress);
    switch (expansion.outcome) {
    case SnapshotExpansion::Outcome::Raw:
        result.bytes = std::move(bytes);
        break;
    case SnapshotExpansion::Outcome::Expanded:
        result.bytes = std::move(expansion.expanded);
        result.expanded = true;
        break;
    case SnapshotExpansion::Outcome::Failed:
        result.problem = expansion.problem;
        break;
    case SnapshotExpansion::Outcome::Cancelled:
        result.cancelled = true;
        break;
    }
    return result;
}

} // namespace SnapshotFile
