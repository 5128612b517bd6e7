// Arbitrary bytes as a ".plv" state file, loaded onto a small snapshot the way the window does:
// load, palette restore, the refresh's clamp, then a grid drawn with the result.
#include "displaysnapshot.h"
#include "reference.h"
#include "statefile.h"
#include "viewranges.h"

#include <QFile>
#include <QTemporaryDir>

using Reference::require;

namespace {

// A snapshot with every palette source present: ECS and AGA colours, and chip RAM holding two
// Copper lists among picture bytes.
std::vector<std::uint8_t> makeSnapshot()
{
    using namespace TestSnapshot;
    QByteArray ram(2048, '\0');
    for (int i = 0; i < ram.size(); ++i)
        ram[i] = char((i * 37) ^ (i >> 3));
    for (int list : { 300, 1100 })
        putBytes(ram, list, copperColourMoves(sampleWords(32, list)) + copperEnd());
    const QByteArray file
        = standardSnapshot(ram, sampleWords(32, 7), DisplaySnapshot::agaColours()).bytes();
    return { file.begin(), file.end() };
}

auto viewFields(const RipperState &s)
{
    return std::tie(s.offset, s.blXSize, s.blYSize, s.skip, s.bits, s.mode, s.skipmode, s.reverse,
        s.palsource, s.palsearchmode, s.palfound, s.palsearchpos, s.bitplaneorder);
}

void checkInsideViewRanges(const RipperState &s)
{
    require(s.blXSize >= 1 && s.blXSize <= 4000, "blXSize in 1..4000");
    require(s.blYSize >= 1 && s.blYSize <= 600, "blYSize in 1..600");
    require(s.bits >= 1 && s.bits <= 8, "bits in 1..8");
    require(s.skip >= 0 && s.skip <= 2048, "skip in 0..2048");
    require(s.offset >= 0 && s.offset <= s.filesize, "offset in 0..filesize");
    require(s.mode >= 0 && s.mode <= 4, "mode in 0..4");
    require(s.skipmode >= 0 && s.skipmode <= 1, "skipmode in 0..1");
    for (int entry : s.bitplaneorder)
        require(entry >= 0 && entry <= 7, "bitplane order entries in 0..7");
    require(s.palfound >= 0 && s.palsearchpos >= 0, "palette positions not negative");
    require(s.canvas.colorTable().size() == 256, "the palette keeps 256 entries");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const std::vector<std::uint8_t> snapshot = makeSnapshot();
    static QTemporaryDir workDir; // removed at exit
    const QString path = workDir.filePath(QStringLiteral("state.plv"));
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the state file opens");
        require(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size),
            "the state file is written");
    }

    RipperState state = Reference::loaded(snapshot, 160, 120);
    const RipperState before = state;
    const StateFile::LoadResult result = StateFile::load(state, path);
    if (!result.readable) {
        require(viewFields(state) == viewFields(before), "a refused file changes nothing");
        return 0;
    }
    require(state.offset <= state.filesize, "the stored offset is cut back to the file size");
    require(!result.offsetClamped || state.offset == state.filesize, "a cut offset is filesize");
    require(state.palfound == state.palsearchpos, "the search restarts at the stored palette");

    Palette::applySelectedSource(state);
    require(state.palsearchmode == state.palsource, "the applied source is the searched one");
    ViewRanges::clamp(state);
    checkInsideViewRanges(state);

    state.numX = Grid::columnsFor(state.blXSize);
    state.numY = Grid::rowsFor(state.blYSize);
    Grid::drawGrid(state, state.canvas);
    return 0;
}
