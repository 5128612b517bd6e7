// Arbitrary bytes as a loaded snapshot: the chunk walk, the chunk palettes, the Copper searches
// stepped until they wrap and compared with the position-by-position ones, and the displayed
// frame's Copper walk with its screens on the view. Each is also run with a `filesize` that claims
// more bytes than the snapshot holds and with one that claims fewer.
#include "chunks.h"
#include "copperscan.h"
#include "coppersearchreference.h"
#include "copperwalk.h"
#include "frameprobe.h"
#include "reference.h"
#include "screenview.h"
#include "snapshotexpansion.h"
#include "snapshotfile.h"
#include "snapshotwriter.h"
#include "spriteview.h"
#include "widthguess.h"

#include <QtEndian>
#include <zlib.h>

#include <cstring>
#include <limits>

using Reference::require;

namespace {

// Calls per search before giving up on seeing it wrap; each call finds a later match.
constexpr int MaxSearchCalls = 2000;
// Screens put on the view per input; each may run several searches.
constexpr std::size_t MaxScreens = 8;

void checkBookkeeping(const RipperState &state)
{
    const std::int64_t size = Chunks::dataSize(state);
    require(state.canvas.colorTable().size() == 256, "the palette keeps 256 entries");
    require(state.palfound >= 0 && state.palfound <= size, "palfound lies within the data");
    require(
        state.palsearchpos >= 0 && state.palsearchpos <= size, "palsearchpos lies within the data");
}

void checkChunkWalk(const RipperState &state)
{
    const std::int64_t size = Chunks::dataSize(state);
    for (const char *tag : { "ASF ", "CHIP", "AGAC", "CRAM", "END ", "ZZZZ" }) {
        const int at = Chunks::findChunk(state, tag);
        require(at >= -1, "findChunk gives -1 or a position");
        if (at >= 0) {
            require(at + std::int64_t(8) <= size, "a found chunk has a whole header");
            require(std::memcmp(state.bytes() + at, tag, 4) == 0, "a found chunk has the tag");
        }
    }
    require(Chunks::findChunk(state, "CHI") == -1, "a short tag matches nothing");
    require(Chunks::findChunk(state, nullptr) == -1, "no tag matches nothing");
}

void checkChunkPalettes(RipperState &state)
{
    Palette::readEcsPalette(state);
    checkBookkeeping(state);
    const QList<QRgb> ecs = state.canvas.colorTable();
    const int ecsFound = state.palfound;
    Palette::readEcsPalette(state);
    require(state.canvas.colorTable() == ecs && state.palfound == ecsFound,
        "reading ECS twice gives the same palette");

    Palette::readAgaPalette(state);
    checkBookkeeping(state);
}

// Click after click until it wraps, the fast search finds what the position-by-position one finds
// and moves on; cursors no search leaves behind (before the start, far past the end) are safe.
void checkSearch(
    const RipperState &state, void (*search)(RipperState &), void (*literal)(RipperState &))
{
    RipperState fast = state;
    Palette::resetPalette(fast);
    RipperState slow = fast;
    for (int call = 0; call < MaxSearchCalls && (call == 0 || slow.palsearchpos != 0); ++call) {
        const int before = fast.palsearchpos;
        search(fast);
        literal(slow);
        checkBookkeeping(fast);
        require(fast.palfound == slow.palfound && fast.palsearchpos == slow.palsearchpos
                && fast.canvas.colorTable() == slow.canvas.colorTable(),
            "a search finds what the literal search finds");
        require(fast.palsearchpos == 0 || fast.palsearchpos > before,
            "a search that finds something moves on");
    }
    for (int start : { -1, std::numeric_limits<int>::min(), std::numeric_limits<int>::max() }) {
        fast.palsearchpos = start;
        search(fast);
        checkBookkeeping(fast);
    }
}

void checkScreens(RipperState &state)
{
    const CopperWalk::Frame frame = CopperWalk::walk(state);
    for (const CopperScan::MemoryScreen &m : CopperScan::screensInMemory(state, frame)) {
        CopperScan::summary(m);
        require(m.frame.screens[std::size_t(m.index)].pointer(0) < m.frame.chipRamSize,
            "a screen in memory lies in chip RAM");
    }

    for (std::size_t i = 0; i < frame.screens.size() && i < MaxScreens; ++i) {
        ScreenView::apply(state, frame, int(i));
        checkBookkeeping(state);
        require(state.offset >= 0 && state.offset <= state.filesize, "a screen lies in the file");
    }
}

// The displayed frame: every row named, every sprite view in the file, a readout anywhere.
void checkFrame(RipperState &state)
{
    const FrameRender::Frame frame = FrameRender::render(state);
    const QImage &image = frame.image;
    require(image.isNull() != frame.problem.isEmpty(), "a frame, or why there is none");
    require(frame.rows.size() == std::size_t(std::max(image.height(), 0)), "a row per line");
    for (const QPoint at : { QPoint(0, 0), QPoint(image.width() / 2, image.height() / 2),
             QPoint(image.width() - 1, image.height() - 1), QPoint(-1, 0) })
        FrameRender::describePixel(frame, at);
    for (int index : SpriteView::listed(frame)) {
        SpriteView::apply(state, frame, index);
        require(state.offset >= 0 && state.offset <= state.filesize, "a sprite lies in the file");
    }
}

void checkAll(RipperState &state)
{
    Palette::resetPalette(state);
    checkChunkWalk(state);
    checkChunkPalettes(state);
    checkSearch(state, Palette::searchCopperSimple, CopperSearchReference::simple);
    checkSearch(state, Palette::searchCopperAdvanced, CopperSearchReference::advanced);
    checkScreens(state);
    checkFrame(state);
}

// ---- Expansion of compressed chunks --------------------------------------------------------
// A successful expansion must equal the image built here by the literal rules with zlib's
// one-shot `uncompress`: stored bytes and whatever follows the chain copied, each compressed chunk
// rewritten with L = U + 12, bit 0 of flags cleared and zero padding, its stream giving exactly U
// bytes. It is then refused with a limit one byte below its size, and cancelled by a callback.

QByteArray expectedImage(const std::uint8_t *data, std::int64_t size)
{
    const char *in = reinterpret_cast<const char *>(data);
    require(size >= 12 && std::memcmp(in, "ASF ", 4) == 0, "only a chunk chain is expanded");
    QByteArray out;
    std::int64_t i = 0;
    bool ended = false, anyCompressed = false;
    while (i < size) {
        const std::int64_t left = size - i,
                           length = left >= 12 ? qFromBigEndian<std::uint32_t>(in + i + 4) : 0;
        const std::uint32_t flags = length >= 12 ? qFromBigEndian<std::uint32_t>(in + i + 8) : 0;
        const std::int64_t step = (length + 4) & ~std::int64_t(3);
        if (left >= 8 && std::memcmp(in + i, "END ", 4) == 0) {
            out.append(in + i, 8), i += 8, ended = true;
        } else if (length < 12 || (!(flags & 1) && step > left)) {
            break;
        } else if (!(flags & 1)) {
            out.append(in + i, step), i += step;
        } else {
            require(length >= 16 && length <= left, "an expanded chunk lies whole in the file");
            const std::int64_t unpacked = qFromBigEndian<std::uint32_t>(in + i + 12);
            QByteArray bytes(unpacked + 1, '\0');
            uLongf produced = uLongf(bytes.size());
            const int status = uncompress(reinterpret_cast<Bytef *>(bytes.data()), &produced,
                data + i + 16, uLong(length - 16));
            require(status == Z_OK && produced == uLongf(unpacked),
                "a stream zlib expands to exactly U bytes");
            out += QByteArray(in + i, 4) + SnapshotWriter::bigEndian32(std::uint32_t(unpacked + 12))
                + SnapshotWriter::bigEndian32(flags & ~1u) + bytes.left(unpacked)
                + QByteArray(4 - (unpacked & 3), '\0');
            i += step, anyCompressed = true;
        }
    }
    require(ended && anyCompressed, "an expanded file had compressed chunks and an END");
    return out.append(in + i, std::max<std::int64_t>(0, size - i));
}

void checkExpansion(const std::uint8_t *data, std::int64_t size)
{
    using namespace SnapshotExpansion;
    const Result whole = expand(data, size, SnapshotFile::MaxSize);
    const bool failed = whole.outcome == Outcome::Failed;
    require(failed
            ? whole.problem.startsWith(QLatin1String("chunk ")) && !whole.problem.contains('\n')
            : whole.problem.isEmpty() && whole.outcome != Outcome::Cancelled,
        "only a failure says why, in one line naming the chunk; nothing cancels unasked");
    if (whole.outcome != Outcome::Expanded)
        return require(failed || whole.expanded.empty(), "raw bytes stay as they are");
    const auto image = QByteArray::fromRawData(
        reinterpret_cast<const char *>(whole.expanded.data()), qsizetype(whole.expanded.size()));
    require(image == expectedImage(data, size), "the image is what the rules and zlib give");
    const Result tight = expand(data, size, image.size() - 1);
    require(tight.outcome == Outcome::Failed && tight.expanded.empty(), "over the limit: refused");
    int calls = 0;
    const Result cancelled
        = expand(data, size, SnapshotFile::MaxSize, [&](std::int64_t done, std::int64_t total) {
              require(done >= 0 && done <= total, "progress stays within its total");
              return ++calls < 2;
          });
    require(cancelled.outcome == (calls >= 2 ? Outcome::Cancelled : Outcome::Expanded),
        "a callback that says stop cancels");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > std::size_t(1) << 20)
        return 0;
    RipperState state = Reference::loaded(std::vector<std::uint8_t>(data, data + size), 16, 16);
    checkAll(state);

    state.filesize = int(size) + 4096; // more than fileData holds
    checkAll(state);

    state.filesize = int(size / 2);
    checkAll(state);

    // The width finder compares up to 4000 periods: on the first 2 KiB only, to keep the pace.
    RipperState head = Reference::loaded(
        std::vector<std::uint8_t>(data, data + std::min<std::size_t>(size, 2048)), 16, 16);
    head.offset = size ? data[0] % 64 : 0;
    const WidthGuess::Guess guess = WidthGuess::guess(head);
    require(guess.width >= 0 && guess.width <= 4000 && guess.best.size() <= 3, "a width in range");

    checkExpansion(data, std::int64_t(size));
    if (size >= 2) // cut anywhere: the place comes from the input's last two bytes
        checkExpansion(
            data, std::int64_t((std::size_t(data[size - 2]) << 8 | data[size - 1]) % size));
    return 0;
}
