#pragma once

#include "snapshotexpansion.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// Reading a snapshot file whole into memory, its compressed chunks expanded.
namespace SnapshotFile {

// Sizes from 1 byte up to, but not including, 2^31 bytes can be held.
constexpr std::int64_t MaxSize = (std::int64_t(1) << 31) - 1;

struct ReadResult
{
    // The snapshot's bytes, or nothing when it is empty, missing, unreadable, too large, not
    // fully read, cannot be held in memory, has bad compressed data or the read was cancelled.
    std::optional<std::vector<std::uint8_t>> bytes;
    QString problem; // one line on what is wrong with the data; empty when the file was unreadable
    bool expanded = false; // compressed chunks were expanded
    bool cancelled = false;
};

// The file is closed before this returns. `progress` is called between steps with the work done
// and the work known so far (the file's bytes, then the expanded bytes); false cancels.
ReadResult read(const QString &path, const SnapshotExpansion::Progress &progress = {});

} // namespace SnapshotFile
