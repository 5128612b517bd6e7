#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

// Expanding the compressed chunks of a WinUAE snapshot into the image the emulator writes with
// compression off. A compressed chunk (flags bit 0) holds its uncompressed size U at +12 and a
// zlib stream at +16; it becomes tag, length U + 12, flags without bit 0, the U bytes and
// 4 - (U & 3) zero bytes. Every other byte is copied unchanged, including whatever follows the
// last chunk that the walk can read after the first "END ".
namespace SnapshotExpansion {

// Called now and then with the bytes done so far and the total; false cancels.
using Progress = std::function<bool(std::int64_t done, std::int64_t total)>;

enum class Outcome {
    Raw, // not a chunk chain with compressed chunks: use the bytes as they are
    Expanded, // `expanded` holds the image
    Failed, // `problem` says why, in one line
    Cancelled,
};

struct Result
{
    Outcome outcome = Outcome::Raw;
    std::vector<std::uint8_t> expanded;
    QString problem;
};

// `maxSize` is the largest image accepted; it is checked before anything is allocated.
Result expand(const std::uint8_t *data, std::int64_t size, std::int64_t maxSize,
    const Progress &progress = {});

} // namespace SnapshotExpansion
