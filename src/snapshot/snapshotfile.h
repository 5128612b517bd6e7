#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// Reading a snapshot file whole into memory.
namespace SnapshotFile {

// Sizes from 1 byte up to, but not including, 2^31 bytes can be held.
constexpr std::int64_t MaxSize = (std::int64_t(1) << 31) - 1;

// The file's bytes, or nothing when it is empty, missing, unreadable, too large, not fully
// read, or cannot be held in memory. The file is closed before this returns.
std::optional<std::vector<std::uint8_t>> read(const QString &path);

} // namespace SnapshotFile
