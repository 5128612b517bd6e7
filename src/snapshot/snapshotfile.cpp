#include "snapshotfile.h"

#include <QFile>
#include <new>

namespace SnapshotFile {

std::optional<std::vector<std::uint8_t>> read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 size = file.size();
    if (size <= 0 || size > MaxSize)
        return std::nullopt;
    try {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
        if (file.read(reinterpret_cast<char *>(bytes.data()), size) != size)
            return std::nullopt;
        return bytes;
    } catch (const std::bad_alloc &) {
        return std::nullopt;
    }
}

} // namespace SnapshotFile
