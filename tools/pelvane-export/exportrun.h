#pragma once

#include "exportoptions.h"

#include <QStringList>

// Running an export from parsed options: the snapshot is read, the state file applied as the
// window's "Open Ripper State" applies it, the options laid over it and the PNG written.
namespace ExportCli {

struct RunResult
{
    int exitCode = Written;
    QStringList messages; // warnings and errors, one line each, in the order they arose
};

RunResult run(const Options &options);

} // namespace ExportCli
