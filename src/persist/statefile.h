#pragma once

#include "ripperstate.h"

#include <QString>

// Ripper state files (".plv"): the view parameters as INI keys.
namespace StateFile {

// Writes the twelve keys, keeping any other keys the file holds. True when the file was written.
bool save(const RipperState &state, const QString &fileName);

struct LoadResult
{
    bool readable = false; // false: nothing was changed
    bool fileSizeDiffers = false; // the stored "filesize" is not the open snapshot's
    bool offsetClamped = false; // the stored "offset" lay beyond the snapshot and was cut back
};

// Reads the view parameters into `state` (no palette restore, no refresh). A missing,
// unreadable or malformed file changes nothing and reports readable == false.
LoadResult load(RipperState &state, const QString &fileName);

} // namespace StateFile
