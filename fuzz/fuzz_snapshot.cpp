// Arbitrary bytes as a loaded snapshot: the chunk walk, the chunk palettes, the Copper searches
// stepped until they wrap and compared with the position-by-position ones, and the displayed
// frame's Copper walk with its screens on the view. Each is also run with a `filesize` that claims
// more bytes than the snapshot holds and with one that claims fewer.
#include "chunks.h"
#include "coppersearchreference.h"
#include "copperwalk.h"
#include "reference.h"
#include "screenview.h"

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
    return 0;
}
