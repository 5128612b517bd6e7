// Arbitrary bytes as a ".plv" state file, loaded onto a small snapshot the way the window does:
// load, palette restore, the refresh's clamp, then a grid drawn with the result.
#include "chunks.h"
#include "fuzzsupport.h"
#include "grid.h"
#include "palette.h"
#include "statefile.h"
#include "viewranges.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

using FuzzSupport::require;

namespace {

void appendBigEndian32(QByteArray &out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
}

// A chunk as snapshots hold it: tag, length counting the 12-byte header, flags, data, padding.
void appendChunk(QByteArray &out, const char *tag, const QByteArray &data)
{
    const std::uint32_t length = 12 + std::uint32_t(data.size());
    const qsizetype start = out.size();
    out.append(tag, 4);
    appendBigEndian32(out, length);
    appendBigEndian32(out, 0);
    out.append(data);
    out.append(QByteArray(qsizetype((length + 4u) & ~3u) - (out.size() - start), '\0'));
}

// A snapshot with every palette source present: ECS and AGA colours, and chip RAM holding two
// Copper lists among picture bytes.
std::vector<std::uint8_t> makeSnapshot()
{
    QByteArray chip(360, '\0');
    for (int i = 0; i < 32; ++i) {
        chip[240 + 2 * i] = char(i & 0x0F);
        chip[241 + 2 * i] = char(0x11 * (i & 0x0F));
    }
    QByteArray aga;
    for (int i = 0; i < 256; ++i)
        aga.append(char(0)).append(char(i)).append(char(255 - i)).append(char(i / 2));
    QByteArray ram(2048, '\0');
    for (int i = 0; i < ram.size(); ++i)
        ram[i] = char((i * 37) ^ (i >> 3));
    for (int list : { 300, 1100 }) {
        for (int c = 0; c < 32; ++c) {
            ram[list + 4 * c] = 0x01;
            ram[list + 4 * c + 1] = char(0x80 + 2 * c);
            ram[list + 4 * c + 2] = char(c);
            ram[list + 4 * c + 3] = char(0x35 + c);
        }
        ram[list + 128] = char(0xFF);
        ram[list + 129] = char(0xFF);
    }
    QByteArray file;
    appendChunk(file, "ASF ", QByteArray(8, '\1'));
    appendChunk(file, "CHIP", chip);
    appendChunk(file, "AGAC", aga);
    appendChunk(file, "CRAM", ram);
    file.append("END ", 4);
    appendBigEndian32(file, 8);
    return std::vector<std::uint8_t>(file.begin(), file.end());
}

// Removed at exit.
QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

const std::vector<std::uint8_t> &snapshot()
{
    static const std::vector<std::uint8_t> bytes = makeSnapshot();
    return bytes;
}

bool sameView(const RipperState &a, const RipperState &b)
{
    return a.offset == b.offset && a.blXSize == b.blXSize && a.blYSize == b.blYSize
        && a.skip == b.skip && a.bits == b.bits && a.mode == b.mode && a.skipmode == b.skipmode
        && a.reverse == b.reverse && a.palsource == b.palsource
        && a.palsearchmode == b.palsearchmode && a.palfound == b.palfound
        && a.palsearchpos == b.palsearchpos && a.bitplaneorder == b.bitplaneorder;
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
    require(FuzzSupport::paletteComplete(s), "the palette keeps 256 entries");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    snapshot();
    return workDir().isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = workDir().filePath(QStringLiteral("state.plv"));
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the state file opens");
        require(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size),
            "the state file is written");
    }

    RipperState state = FuzzSupport::loadedState(snapshot(), 160, 120);
    const RipperState before = state;
    const StateFile::LoadResult result = StateFile::load(state, path);
    if (!result.readable) {
        require(sameView(state, before), "a refused file changes nothing");
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
