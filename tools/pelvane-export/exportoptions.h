#pragma once

#include "exporter.h"
#include "imagefile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The command line of pelvane-export, parsed and checked against the view's ranges. Values that
// depend on the snapshot (the offset, the search start) are checked once it is read.
namespace ExportCli {

enum ExitCode { Written = 0, BadUsage = 1, Unreadable = 2, NotWritten = 3 };

enum class PaletteChoice { Default, Ecs, Aga, Simple, Advanced };

struct Options
{
    QString snapshotPath;
    QString outputPath;
    QString statePath; // empty: start from the window's initial view
    std::optional<int> screen; // or start from this screen of the display, from 1
    std::optional<int> sprite; // or from this sprite of the displayed frame, from 1
    std::optional<int> memoryScreen; // or from this screen of a list elsewhere in chip RAM
    bool guessWidth = false; // the width from the bytes' period, after the other options
    bool frame = false; // write the displayed frame instead of pictures

    // Each set value replaces the view's (after the state file, if any).
    std::optional<int> offset;
    std::optional<int> widthBytes;
    std::optional<int> heightLines;
    std::optional<int> planes;
    std::optional<int> mode;
    std::optional<int> skip;
    std::optional<int> skipMode;
    QList<int> order; // leading bitplane-order entries; empty: unchanged
    std::optional<PaletteChoice> palette;
    std::optional<int> paletteFrom; // where the Simple or Advanced search starts

    Exporter::Request request; // the "Save Images" dialog's values
    bool split = false; // one file per picture
    std::optional<ImageFile::Format> format; // else by the output's extension
    QString paletteOut; // also write the view's colours to this palette file
    bool allColours = false; // all 256 of them
};

// Bounds the command line puts on the picture counts: beyond them no image fits the export's
// limits anyway.
constexpr int MaxPictures = Exporter::MaxSide;

struct Parsed
{
    enum Kind { Run, Help, Version, Error };
    Kind kind = Error;
    QString message; // what is wrong, for Error
    Options options;
};

// `arguments` as main() receives them, the program name first.
Parsed parseArguments(const QStringList &arguments);
QString helpText();
QString versionLine();

} // namespace ExportCli
