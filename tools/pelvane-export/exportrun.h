#pragma once

#include "exportoptions.h"
#include "ripperstate.h"

#include <QStringList>

// Running an export from parsed options: the snapshot is read, the state file applied as the
// window's "Open Ripper State" applies it, the options laid over it and the PNG written.
namespace ExportCli {

struct RunResult
{
    int exitCode = Written;
    QStringList messages; // warnings and errors, one line each, in the order they arose
};

// The view as the window would show it after the same steps, without writing anything.
// `result` gets the warnings; its exit code is Written unless a step failed.
RipperState prepareView(const Options &options, RunResult &result);

RunResult run(const Options &options);

} // namespace ExportCli
