// Arbitrary bytes as a loaded snapshot: the chunk walk, the chunk palettes, the Copper searches
// stepped until they wrap and compared with the position-by-position ones, and the displayed
// frame's Copper walk with its screens on the view. Each is also run with a `filesize` that claims
// more bytes than the snapshot holds and with one that claims fewer.
#include "chunks.h"
#include "coppersearchreference.h"
#include "copperwalk.h"
#include "reference.h"
#include "screenview.h"
#include "snapshotexpansion.h"
#include "snapshotfile.h"

#include <zlib.h>

#include <cstring>
#include <limits>

using Reference::require;

namespace {
void checkExpansion(const std::uint8_t *data, std::size_t size);
} // namespace

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
    for (std::size_t i = 0; i < frame.screens.size() && i < MaxScreens; ++i) {
        ScreenView::apply(state, frame, int(i));
        checkBookkeeping(state);
        require(state.offset >= 0 && state.offset <= state.filesize, "a screen lies in the file");
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

    checkExpansion(data, size);
    return 0;
}

// ---- Expansion of compressed chunks --------------------------------------------------------
// The input as a snapshot file: expanded whole, cut at a place the input picks, and with a limit
// just below the image. A successful expansion is compared chunk by chunk with the input: stored
// bytes unchanged, each compressed chunk rewritten with L = U + 12, bit 0 of flags cleared, zero
// padding, and the data equal to zlib's one-shot `uncompress` of its stream.
namespace {

std::uint32_t be32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8
        | std::uint32_t(p[3]);
}

void checkExpandedImage(const std::uint8_t *in, std::int64_t inSize,
    const std::vector<std::uint8_t> &image, std::int64_t maxSize)
{
    const std::uint8_t *out = image.data();
    const auto outSize = std::int64_t(image.size());
    require(outSize <= maxSize, "an expanded image stays within the limit");
    require(inSize >= 12 && std::memcmp(in, "ASF ", 4) == 0, "only a chunk chain is expanded");
    std::int64_t i = 0, o = 0;
    bool ended = false, anyCompressed = false;
    while (i < inSize) {
        const std::int64_t left = inSize - i;
        if (left >= 8 && std::memcmp(in + i, "END ", 4) == 0) {
            require(o + 8 <= outSize && std::memcmp(in + i, out + o, 8) == 0, "END copied");
            i += 8, o += 8, ended = true;
            continue;
        }
        const std::int64_t length = left >= 12 ? be32(in + i + 4) : 0;
        const std::uint32_t flags = length >= 12 ? be32(in + i + 8) : 0;
        const std::int64_t step = (length + 4) & ~std::int64_t(3);
        if (length < 12 || (!(flags & 1) && step > left)) {
            require(ended, "the walk reads a whole chain up to END");
            require(outSize - o == left && std::memcmp(in + i, out + o, std::size_t(left)) == 0,
                "what follows the chain is copied unchanged");
            return;
        }
        if (!(flags & 1)) {
            require(o + step <= outSize && std::memcmp(in + i, out + o, std::size_t(step)) == 0,
                "a stored chunk is copied unchanged");
            i += step, o += step;
            continue;
        }
        anyCompressed = true;
        const std::int64_t unpacked = be32(in + i + 12);
        const std::int64_t outStep = (unpacked + 16) & ~std::int64_t(3);
        require(o + outStep <= outSize, "an expanded chunk lies inside the image");
        require(std::memcmp(in + i, out + o, 4) == 0, "the tag is kept");
        require(be32(out + o + 4) == unpacked + 12, "the length is U + 12");
        require(be32(out + o + 8) == (flags & ~1u), "bit 0 of flags is cleared, the rest kept");
        std::vector<std::uint8_t> reference(std::size_t(unpacked) + 1);
        uLongf produced = uLongf(reference.size());
        const int status = uncompress(reference.data(), &produced, in + i + 16, uLong(length - 16));
        require(status == Z_OK && produced == uLongf(unpacked)
                && std::memcmp(reference.data(), out + o + 12, std::size_t(unpacked)) == 0,
            "the data is what zlib gives, exactly U bytes");
        for (std::int64_t k = o + 12 + unpacked; k < o + outStep; ++k)
            require(out[k] == 0, "the padding is zero");
        i += step, o += outStep;
    }
    require(ended && anyCompressed, "an expanded file had compressed chunks and an END");
    require(o == outSize, "the image ends where the chain does");
}

void checkExpansionOf(const std::uint8_t *data, std::int64_t size)
{
    using namespace SnapshotExpansion;
    const Result whole = expand(data, size, SnapshotFile::MaxSize);
    switch (whole.outcome) {
    case Outcome::Raw:
        require(whole.expanded.empty() && whole.problem.isEmpty(), "raw bytes stay as they are");
        return;
    case Outcome::Failed:
        require(whole.problem.startsWith(QLatin1String("chunk ")) && !whole.problem.contains('\n'),
            "a failure names the chunk in one line");
        return;
    case Outcome::Cancelled:
        require(false, "nothing cancels without a progress callback");
        return;
    case Outcome::Expanded:
        break;
    }
    checkExpandedImage(data, size, whole.expanded, SnapshotFile::MaxSize);
    // One byte less room than the image needs: refused before allocating.
    const auto limit = std::int64_t(whole.expanded.size()) - 1;
    const Result tight = expand(data, size, limit);
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

void checkExpansion(const std::uint8_t *data, std::size_t size)
{
    checkExpansionOf(data, std::int64_t(size));
    // A chain cut anywhere: the place comes from the input's last two bytes.
    if (size >= 2) {
        const std::size_t cut = (std::size_t(data[size - 2]) << 8 | data[size - 1]) % size;
        checkExpansionOf(data, std::int64_t(cut));
    }
}

} // namespace
