#include "exportoptions.h"

#include "palettefile.h"
#include "version.h"
#include "viewranges.h"

#include <QCommandLineParser>

#include <limits>

namespace ExportCli {

namespace {

struct Range
{
    int low;
    int high;
    const char *highName = nullptr; // said instead of the number when it is not fixed
};

const Range WidthRange { ViewRanges::MinXSize, ViewRanges::MaxXSize };
const Range HeightRange { ViewRanges::MinYSize, ViewRanges::MaxYSize };
const Range PlanesRange { ViewRanges::MinBits, ViewRanges::MaxBits };
const Range SkipRange { ViewRanges::MinSkip, ViewRanges::MaxSkip };
const Range PicturesRange { 1, MaxPictures };
const Range ColorRange { 0, 255 };
constexpr int MaxOrderEntries = 8;

// Options that take a value, with the value's name in the help text.
struct ValueOption
{
    const char *name;
    const char *valueName;
    const char *description;
};

const ValueOption valueOptions[] = {
    { "state", "FILE.plv", "Apply a saved ripper state first, as opening it in the window does." },
    { "screen", "N",
        "Start from screen N (from 1) of the display the snapshot's Copper list shows, as "
        "\"Displayed Screen\" does in the window." },
    { "sprite", "N",
        "Start from sprite N (from 1) of the displayed frame, as View > Sprites does in the "
        "window; colour 0 is written transparent." },
    { "memory-screen", "N",
        "Start from screen N (from 1) of the Copper lists elsewhere in chip RAM, as View > "
        "Screens in Memory does in the window." },
    { "offset", "N", "Byte offset of the first picture (0 to the snapshot's size)." },
    { "width", "BYTES", "Picture width in bytes, 8 pixels each (1 to 4000)." },
    { "height", "LINES", "Picture height in lines (1 to 600)." },
    { "planes", "N", "Number of bitplanes (1 to 8)." },
    { "mode", "MODE", "Bitplane storage mode: AM, ST, SP, C+ or C-." },
    { "skip", "N", "Bytes skipped after each picture or bitplane (0 to 2048)." },
    { "skip-mode", "WHERE", "Where the skip applies: pictures or bitplanes." },
    { "order", "LIST", "Bitplane order: 1 to 8 comma-separated slots from 0 to 7." },
    { "palette", "SOURCE", "Palette: default, ecs, aga, simple or advanced." },
    { "palette-from", "N", "Byte where the simple or advanced Copper search starts (0)." },
    { "across", "N", "Pictures across the image (1 to 32767, default 1)." },
    { "down", "N", "Pictures down the image (1 to 32767, default 1)." },
    { "border", "N", "Border pixels right of and below each picture (default 0)." },
    { "color", "N", "Colour index of the border and background (0 to 255, default 253)." },
    { "fill", "ORDER", "columns (\"Left -> Right\", the default) or rows (\"Up -> Down\")." },
    { "transparent", "N", "Write colour index N (0 to 255) fully transparent." },
    { "format", "FORMAT",
        "png or ilbm (IFF ILBM, as Amiga tools read it); else by the output's extension "
        "(.iff, .ilbm, .lbm: ILBM)." },
    { "palette-out", "FILE",
        "Also write the view's colours as a palette file: GIMP .gpl, JASC .pal or Adobe .act "
        "by the extension; 2^planes colours." },
};

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Exports pictures from an Amiga memory snapshot to a palette PNG image, exactly as "
        "Pelvane's \"Save images\" does for the same view."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(QStringLiteral("guess-width"),
        QStringLiteral("Set the width to the distance at which the bytes from the offset repeat "
                       "line after line, as Guess Width (G) does in the window.")));
    parser.addOption(QCommandLineOption(QStringLiteral("split"),
        QStringLiteral("Write each picture of the grid to its own file, NAME-000.png, "
                       "NAME-001.png, ..., without the border.")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("all-colours"), QStringLiteral("With --palette-out: all 256 colours.")));
    parser.addOption(QCommandLineOption(QStringLiteral("frame"),
        QStringLiteral("Write the displayed frame as the emulator showed it (playfields, sprites, "
                       "HAM, the colours of each line) instead of pictures: a palette PNG when "
                       "it has at most 256 colours, else RGB.")));
    for (const ValueOption &o : valueOptions) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(o.name),
            QString::fromLatin1(o.description), QString::fromLatin1(o.valueName)));
    }
    parser.addPositionalArgument(QStringLiteral("SNAPSHOT.uss"),
        QStringLiteral("The WinUAE snapshot to read, compressed or uncompressed (compressed chunks "
                       "are expanded in memory), or any other file as raw memory."));
    parser.addPositionalArgument(
        QStringLiteral("OUTPUT.png"), QStringLiteral("The image to write (replaced whole)."));
}

QString optionName(const QString &name)
{
    return QStringLiteral("--") + name;
}

// Reads the option's value into `target` when it is given. False, with `error` set, when the
// value is not a decimal whole number inside `range`.
bool readInt(const QCommandLineParser &parser, const QString &name, const Range &range,
    std::optional<int> &target, QString &error)
{
    if (!parser.isSet(name))
        return true;
    const QString text = parser.value(name);
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok) {
        error = QStringLiteral("%1 expects a whole number, not '%2'").arg(optionName(name), text);
        return false;
    }
    if (value < range.low || value > range.high) {
        const QString high
            = range.highName ? QString::fromLatin1(range.highName) : QString::number(range.high);
        error = QStringLiteral("%1 must be from %2 to %3, not %4")
                    .arg(optionName(name))
                    .arg(range.low)
                    .arg(high)
                    .arg(value);
        return false;
    }
    target = value;
    return true;
}

const Range AnyInt { std::numeric_limits<int>::min(), std::numeric_limits<int>::max() };
// Checked against the snapshot once it is read.
const Range FileRange { 0, std::numeric_limits<int>::max(), "the snapshot's size" };
const Range ScreenRange { 1, std::numeric_limits<int>::max(), "the number of screens" };
const Range SpriteRange { 1, std::numeric_limits<int>::max(), "the number of sprites" };

// The option's value as one of `words` (letter case ignored), its index into `target`.
bool readChoice(const QCommandLineParser &parser, const QString &name, const QStringList &words,
    std::optional<int> &target, QString &error)
{
    if (!parser.isSet(name))
        return true;
    const QString text = parser.value(name);
    for (int i = 0; i < words.size(); ++i) {
        if (text.compare(words[i], Qt::CaseInsensitive) == 0) {
            target = i;
            return true;
        }
    }
    error = QStringLiteral("%1 must be one of %2, not '%3'")
                .arg(optionName(name), words.join(QStringLiteral(", ")), text);
    return false;
}

bool readOrder(const QCommandLineParser &parser, QList<int> &order, QString &error)
{
    const QString name = QStringLiteral("order");
    if (!parser.isSet(name))
        return true;
    const QString text = parser.value(name);
    const QStringList items = text.split(QLatin1Char(','));
    for (const QString &item : items) {
        bool ok = false;
        const int slot = item.trimmed().toInt(&ok, 10);
        if (!ok || slot < ViewRanges::MinOrder || slot > ViewRanges::MaxOrder
            || items.size() > MaxOrderEntries) {
            error = QStringLiteral(
                "--order expects 1 to 8 comma-separated entries from 0 to 7, not '%1'")
                        .arg(text);
            return false;
        }
        order << slot;
    }
    return true;
}

bool readView(const QCommandLineParser &parser, Options &o, QString &error)
{
    std::optional<int> palette;
    const bool ok = readInt(parser, QStringLiteral("screen"), ScreenRange, o.screen, error)
        && readInt(parser, QStringLiteral("sprite"), SpriteRange, o.sprite, error)
        && readInt(parser, QStringLiteral("memory-screen"), ScreenRange, o.memoryScreen, error)
        && readInt(parser, QStringLiteral("offset"), FileRange, o.offset, error)
        && readInt(parser, QStringLiteral("width"), WidthRange, o.widthBytes, error)
        && readInt(parser, QStringLiteral("height"), HeightRange, o.heightLines, error)
        && readInt(parser, QStringLiteral("planes"), PlanesRange, o.planes, error)
        && readChoice(parser, QStringLiteral("mode"),
            { QStringLiteral("AM"), QStringLiteral("ST"), QStringLiteral("SP"),
                QStringLiteral("C+"), QStringLiteral("C-") },
            o.mode, error)
        && readInt(parser, QStringLiteral("skip"), SkipRange, o.skip, error)
        && readChoice(parser, QStringLiteral("skip-mode"),
            { QStringLiteral("pictures"), QStringLiteral("bitplanes") }, o.skipMode, error)
        && readOrder(parser, o.order, error)
        && readChoice(parser, QStringLiteral("palette"),
            { QStringLiteral("default"), QStringLiteral("ecs"), QStringLiteral("aga"),
                QStringLiteral("simple"), QStringLiteral("advanced") },
            palette, error)
        && readInt(parser, QStringLiteral("palette-from"), FileRange, o.paletteFrom, error);
    if (!ok)
        return false;
    if (palette)
        o.palette = PaletteChoice(*palette);
    if (o.paletteFrom && o.palette != PaletteChoice::Simple
        && o.palette != PaletteChoice::Advanced) {
        error = QStringLiteral("--palette-from applies only to --palette simple or advanced");
        return false;
    }
    return true;
}

bool readExport(const QCommandLineParser &parser, Exporter::Request &request, QString &error)
{
    std::optional<int> across, down, border, color, fill, transparent;
    if (!readInt(parser, QStringLiteral("across"), PicturesRange, across, error)
        || !readInt(parser, QStringLiteral("down"), PicturesRange, down, error)
        || !readInt(parser, QStringLiteral("border"), AnyInt, border, error)
        || !readInt(parser, QStringLiteral("color"), ColorRange, color, error)
        || !readChoice(parser, QStringLiteral("fill"),
            { QStringLiteral("columns"), QStringLiteral("rows") }, fill, error)
        || !readInt(parser, QStringLiteral("transparent"), ColorRange, transparent, error))
        return false;
    request.transparent = transparent.value_or(-1);
    request.picturesX = across.value_or(request.picturesX);
    request.picturesY = down.value_or(request.picturesY);
    request.border = border.value_or(request.border);
    request.color = color.value_or(request.color);
    request.leftToRight = fill.value_or(0) == 0;
    return true;
}

Parsed failure(const QString &message)
{
    Parsed parsed;
    parsed.kind = Parsed::Error;
    parsed.message = message;
    return parsed;
}

} // namespace

Parsed parseArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(arguments))
        return failure(parser.errorText());
    Parsed parsed;
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        parsed.kind = Parsed::Help;
        return parsed;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parsed.kind = Parsed::Version;
        return parsed;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2)
        return failure(
            QStringLiteral("expected two file names, SNAPSHOT.uss and OUTPUT.png, not %1")
                .arg(files.size()));
    Options &o = parsed.options;
    o.snapshotPath = files[0];
    o.outputPath = files[1];
    o.statePath = parser.value(QStringLiteral("state"));
    if (parser.isSet(QStringLiteral("state")) && o.statePath.isEmpty())
        return failure(QStringLiteral("--state expects a file name"));
    const QStringList starts = { QStringLiteral("state"), QStringLiteral("screen"),
        QStringLiteral("memory-screen"), QStringLiteral("sprite"), QStringLiteral("frame") };
    QStringList given;
    for (const QString &name : starts) {
        if (parser.isSet(name))
            given << optionName(name);
    }
    if (given.size() > 1) {
        const QString last = given.takeLast();
        return failure(QStringLiteral("%1 and %2 each give what to export: use one of them")
                           .arg(given.join(QStringLiteral(", ")), last));
    }
    o.frame = parser.isSet(QStringLiteral("frame"));
    o.split = parser.isSet(QStringLiteral("split"));
    o.guessWidth = parser.isSet(QStringLiteral("guess-width"));
    o.allColours = parser.isSet(QStringLiteral("all-colours"));
    o.paletteOut = parser.value(QStringLiteral("palette-out"));
    if (parser.isSet(QStringLiteral("palette-out")) && !PaletteFile::formatFor(o.paletteOut))
        return failure(QStringLiteral("--palette-out expects a .gpl, .pal or .act file, not '%1'")
                           .arg(o.paletteOut));
    std::optional<int> format;
    QString formatError;
    if (!readChoice(parser, QStringLiteral("format"),
            { QStringLiteral("png"), QStringLiteral("ilbm") }, format, formatError))
        return failure(formatError);
    if (format)
        o.format = *format ? ImageFile::Format::Ilbm : ImageFile::Format::Png;
    QString error;
    if (!readView(parser, o, error) || !readExport(parser, o.request, error))
        return failure(error);
    parsed.kind = Parsed::Run;
    return parsed;
}

QString helpText()
{
    QCommandLineParser parser;
    describe(parser);
    return helpNaming(parser.helpText(), QStringLiteral("pelvane-export"));
}

QString versionLine()
{
    return QStringLiteral("pelvane-export ") + versionText();
}

} // namespace ExportCli
