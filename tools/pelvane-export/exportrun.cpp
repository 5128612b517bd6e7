#include "exportrun.h"

#include "chunks.h"
#include "copperscan.h"
#include "copperwalk.h"
#include "frameexport.h"
#include "framerender.h"
#include "grid.h"
#include "imagefile.h"
#include "palette.h"
#include "palettefile.h"
#include "screenview.h"
#include "snapshotfile.h"
#include "spriteview.h"
#include "statefile.h"
#include "viewranges.h"
#include "widthguess.h"

#include <QFileInfo>

namespace ExportCli {

namespace {

// The window's starting point: initial parameters, the default palette, then the snapshot with
// its compressed chunks expanded. `problem` says what is wrong with bad data.
bool loadSnapshot(RipperState &state, const QString &path, QString &problem)
{
    state.canvas = QImage(Grid::CanvasWidth, Grid::CanvasHeight, QImage::Format_Indexed8);
    Palette::resetPalette(state);
    SnapshotFile::ReadResult read = SnapshotFile::read(path);
    problem = read.problem;
    if (!read.bytes)
        return false;
    state.filesize = int(read.bytes->size());
    state.fileData = std::move(*read.bytes);
    state.fileLoaded = true;
    state.currentFile = path;
    return true;
}

// What "Open Ripper State" does: the values, the same two warnings, the palette found again at
// its stored place, then the refresh's clamping.
bool applyStateFile(RipperState &state, const QString &path, RunResult &result)
{
    const StateFile::LoadResult loaded = StateFile::load(state, path);
    if (!loaded.readable)
        return false;
    if (loaded.fileSizeDiffers)
        result.messages << QStringLiteral(
            "Warning: File size in saved state is not the same as the .uss-file.");
    if (loaded.offsetClamped)
        result.messages << QStringLiteral("Warning: Offset was set outside the end of file.");
    Palette::applySelectedSource(state);
    ViewRanges::clamp(state);
    return true;
}

void applyView(RipperState &state, const Options &o)
{
    state.offset = o.offset.value_or(state.offset);
    state.blXSize = o.widthBytes.value_or(state.blXSize);
    state.blYSize = o.heightLines.value_or(state.blYSize);
    state.bits = o.planes.value_or(state.bits);
    state.mode = o.mode.value_or(state.mode);
    state.skip = o.skip.value_or(state.skip);
    state.skipmode = o.skipMode.value_or(state.skipmode);
    for (int j = 0; j < o.order.size(); ++j)
        state.bitplaneorder[std::size_t(j)] = o.order[j];
}

int sourceOf(PaletteChoice choice)
{
    switch (choice) {
    case PaletteChoice::Simple:
        return RipperState::PaletteSimple;
    case PaletteChoice::Advanced:
        return RipperState::PaletteAdvanced;
    case PaletteChoice::Aga:
        return RipperState::PaletteAGA;
    default:
        return RipperState::PaletteECS;
    }
}

// "Reset", or the source's radio button and "Search". A source that finds nothing leaves the
// colours as they were, as in the window, and says so.
void applyPalette(RipperState &state, const Options &o, RunResult &result)
{
    if (!o.palette)
        return;
    if (*o.palette == PaletteChoice::Default) {
        Palette::resetPalette(state);
        return;
    }
    state.palsource = sourceOf(*o.palette);
    const bool copper = state.palsource == RipperState::PaletteSimple
        || state.palsource == RipperState::PaletteAdvanced;
    if (copper)
        state.palsearchpos = o.paletteFrom.value_or(0);
    const char *chunk = *o.palette == PaletteChoice::Ecs ? "CHIP" : "AGAC";
    if (!copper && Chunks::findChunk(state, chunk) < 0)
        result.messages << QStringLiteral("Warning: no \"%1\" chunk; the palette is unchanged.")
                               .arg(QLatin1String(chunk));
    Palette::applySelectedSource(state);
    // A search that runs off the end puts its cursor back to 0.
    if (copper && state.palsearchpos == 0)
        result.messages << QStringLiteral(
            "Warning: no Copper list found from byte %1; the palette is unchanged.")
                               .arg(o.paletteFrom.value_or(0));
}

void fail(RunResult &result, int code, const QString &message)
{
    result.exitCode = code;
    result.messages << message;
}

// The display mode an ILBM of screen `number` names, while the view is still that screen's.
Ilbm::Options screenMode(const RipperState &state, int number)
{
    const CopperWalk::Frame frame = CopperWalk::walk(state);
    Ilbm::Options ilbm;
    if (!ScreenView::showsScreen(state, frame, number - 1))
        return ilbm;
    const ScreenView::DisplayMode mode
        = ScreenView::displayModeOf(frame, frame.screens[std::size_t(number - 1)]);
    ilbm.camg = mode.camg;
    ilbm.xAspect = mode.xAspect;
    ilbm.yAspect = mode.yAspect;
    return ilbm;
}

// What "Displayed Screen" shows for screen `number` (from 1); what the view cannot show as the
// display does becomes a warning.
bool applyScreen(RipperState &state, int number, RunResult &result)
{
    const CopperWalk::Frame frame = CopperWalk::walk(state);
    const int count = int(frame.screens.size());
    if (number > count) {
        fail(result, BadUsage,
            count == 0 ? QStringLiteral("--screen %1: the snapshot shows no screen, %2")
                             .arg(number)
                             .arg(CopperWalk::describeNoScreen(frame))
                       : QStringLiteral("--screen must be from 1 to %1 (the screens on display), "
                                        "not %2")
                             .arg(count)
                             .arg(number));
        return false;
    }
    for (const QString &note : ScreenView::apply(state, frame, number - 1).notes)
        result.messages << QStringLiteral("Warning: screen %1: %2").arg(number).arg(note);
    return true;
}

// What View > Screens in Memory shows for entry `number` (from 1).
bool applyMemoryScreen(RipperState &state, int number, RunResult &result)
{
    const std::vector<CopperScan::MemoryScreen> screens
        = CopperScan::screensInMemory(state, CopperWalk::walk(state));
    const int count = int(screens.size());
    if (number > count) {
        fail(result, BadUsage,
            count == 0 ? QStringLiteral("--memory-screen %1: chip RAM holds no other list's screen")
                             .arg(number)
                       : QStringLiteral("--memory-screen must be from 1 to %1 (the screens in "
                                        "memory), not %2")
                             .arg(count)
                             .arg(number));
        return false;
    }
    const CopperScan::MemoryScreen &m = screens[std::size_t(number - 1)];
    for (const QString &note : ScreenView::apply(state, m.frame, m.index).notes)
        result.messages << QStringLiteral("Warning: memory screen %1: %2").arg(number).arg(note);
    return true;
}

// What View > Sprites shows for sprite `number` (from 1).
bool applySprite(RipperState &state, int number, RunResult &result)
{
    const FrameRender::Frame frame = FrameRender::render(state);
    const std::vector<int> sprites = SpriteView::listed(frame);
    const int count = int(sprites.size());
    if (number > count) {
        fail(result, BadUsage,
            count == 0
                ? QStringLiteral("--sprite %1: the displayed frame shows no sprite").arg(number)
                : QStringLiteral("--sprite must be from 1 to %1 (the sprites on display), "
                                 "not %2")
                      .arg(count)
                      .arg(number));
        return false;
    }
    for (const QString &note : SpriteView::apply(state, frame, sprites[std::size_t(number - 1)]))
        result.messages << QStringLiteral("Warning: sprite %1: %2").arg(number).arg(note);
    return true;
}

void writeFrame(const RipperState &state, const Options &o, RunResult &result)
{
    const FrameRender::Frame frame = FrameRender::render(state);
    if (frame.image.isNull())
        fail(result, BadUsage,
            QStringLiteral("--frame: the snapshot shows no frame, %1").arg(frame.problem));
    else if (!FrameExport::write(frame.image, o.outputPath))
        fail(result, NotWritten, QStringLiteral("cannot write '%1'").arg(o.outputPath));
}

// The view as the window shows it after the same steps. `result` gets the warnings; its exit
// code stays Written unless a step failed.
RipperState prepareView(const Options &o, RunResult &result)
{
    RipperState state;
    QString problem;
    if (!loadSnapshot(state, o.snapshotPath, problem)) {
        fail(result, Unreadable,
            problem.isEmpty()
                ? QStringLiteral("cannot read the snapshot '%1'").arg(o.snapshotPath)
                : QStringLiteral("cannot read the snapshot '%1': %2").arg(o.snapshotPath, problem));
        return state;
    }
    if (o.screen && !applyScreen(state, *o.screen, result))
        return state;
    if (o.sprite && !applySprite(state, *o.sprite, result))
        return state;
    if (o.memoryScreen && !applyMemoryScreen(state, *o.memoryScreen, result))
        return state;
    if (!o.statePath.isEmpty() && !applyStateFile(state, o.statePath, result)) {
        fail(result, Unreadable,
            QStringLiteral("cannot read the state file '%1': Can't open file!").arg(o.statePath));
        return state;
    }
    if (o.offset && *o.offset > state.filesize) {
        fail(result, BadUsage,
            QStringLiteral("--offset must be from 0 to %1 (the snapshot's size), not %2")
                .arg(state.filesize)
                .arg(*o.offset));
        return state;
    }
    if (o.paletteFrom && *o.paletteFrom > state.filesize) {
        fail(result, BadUsage,
            QStringLiteral("--palette-from must be from 0 to %1 (the snapshot's size), not %2")
                .arg(state.filesize)
                .arg(*o.paletteFrom));
        return state;
    }
    applyView(state, o);
    applyPalette(state, o, result);
    ViewRanges::clamp(state);
    if (o.guessWidth) {
        const WidthGuess::Guess guess = WidthGuess::guess(state);
        state.blXSize = guess.width > 0 ? guess.width : state.blXSize;
        result.messages << WidthGuess::describe(guess);
    }
    return state;
}

} // namespace

RunResult run(const Options &o)
{
    RunResult result;
    const RipperState state = prepareView(o, result);
    if (result.exitCode != Written)
        return result;
    if (o.frame) {
        writeFrame(state, o, result);
        return result;
    }
    if (!o.paletteOut.isEmpty()
        && !PaletteFile::write(o.paletteOut, ImageFile::viewColours(state, o.allColours),
            QFileInfo(o.snapshotPath).completeBaseName(), o.request.transparent)) {
        fail(result, NotWritten, QStringLiteral("cannot write '%1'").arg(o.paletteOut));
        return result;
    }
    Exporter::Request request = o.request;
    if (o.sprite)
        request.transparent = 0;
    const std::int64_t cellWidth = 8 * std::int64_t(state.blXSize) + o.request.border;
    const std::int64_t cellHeight = std::int64_t(state.blYSize) + o.request.border;
    ImageFile::Options options;
    options.format = o.format.value_or(ImageFile::formatFor(o.outputPath));
    if (o.screen) // the view is the screen's unless the options changed it
        options.ilbm = screenMode(state, *o.screen);
    const Exporter::SplitResult outcome
        = ImageFile::exportImages(state, request, o.outputPath, o.split, options);
    if (o.split && outcome.result == Exporter::Result::WriteFailed) {
        fail(result, NotWritten,
            QStringLiteral("cannot write '%1'; %2 of the files were written")
                .arg(outcome.failedFile)
                .arg(outcome.written));
        return result;
    }
    switch (outcome.result) {
    case Exporter::Result::Written:
        break;
    case Exporter::Result::Empty:
        fail(result, BadUsage,
            QStringLiteral("--border %1 leaves no pixels: each cell would be %2 by %3 pixels")
                .arg(o.request.border)
                .arg(cellWidth)
                .arg(cellHeight));
        break;
    case Exporter::Result::TooLarge:
        fail(result, NotWritten,
            QStringLiteral("refused: %1 by %2 pixels is beyond the export's limit of %3 pixels a "
                           "side and %4 pixels in all; nothing was written")
                .arg(cellWidth * o.request.picturesX)
                .arg(cellHeight * o.request.picturesY)
                .arg(Exporter::MaxSide)
                .arg(Exporter::MaxPixels));
        break;
    case Exporter::Result::WriteFailed:
        fail(result, NotWritten, QStringLiteral("cannot write '%1'").arg(o.outputPath));
        break;
    }
    return result;
}

} // namespace ExportCli
