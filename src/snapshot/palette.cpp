#include "palette.h"

#include "chunks.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace Palette {

namespace {

constexpr int TableSize = 256;
constexpr int EcsEntries = 63; // the ECS table runs on past COLOR31 into the next registers
constexpr int EcsTableOffset = 240; // from the "CHIP" tag
constexpr int AgaTableOffset = 12; // from the "AGAC" tag
constexpr int CopperColours = 32;
constexpr int CopperEntrySize = 4;
constexpr std::int64_t SimpleListBytes = CopperColours * CopperEntrySize;
constexpr std::int64_t SearchMargin = 64; // the searches never start within 64 bytes of the end
constexpr std::uint8_t MoveHighByte = 0x01; // first byte of every move to a colour register
constexpr std::int64_t ProgressStep = std::int64_t(4) << 20; // bytes scanned between reports
constexpr std::int64_t NotFound = -1;
constexpr std::int64_t Cancelled = -2;

// The snapshot as the palette readers see it: bytes and the number of them they may touch.
struct Bytes
{
    explicit Bytes(const RipperState &state)
        : data(state.bytes())
        , size(Chunks::dataSize(state))
    {
    }

    bool contains(std::int64_t first, std::int64_t count) const
    {
        return first >= 0 && count >= 0 && first <= size - count;
    }

    std::uint8_t operator[](std::int64_t i) const { return data[i]; }

    const std::uint8_t *data;
    std::int64_t size;
};

// The canvas colour table, grown to 256 entries with the default colours where it is shorter,
// so a palette source can set any entry and leave the others as they are.
QList<QRgb> fullTable(const QImage &image)
{
    QList<QRgb> table = image.colorTable();
    if (table.size() < TableSize) {
        const QList<QRgb> defaults = defaultColors();
        for (qsizetype i = table.size(); i < TableSize; ++i)
            table.append(defaults[i]);
    }
    return table;
}

std::uint8_t expandComponent(unsigned c)
{
    const unsigned sixBits = 4 * c + (c & 3);
    return std::uint8_t(sixBits * 255 / 63);
}

// Whether the state can hold the position; a table that would start beyond int lies wholly
// past the data, which int also bounds, so it is treated as absent.
bool fitsInt(std::int64_t position)
{
    return position >= 0 && position <= std::numeric_limits<int>::max();
}

// A chunk cut off before its colour table has none: palfound never points past the data.
bool tableStartsInside(const Bytes &bytes, std::int64_t first)
{
    return fitsInt(first) && first < bytes.size;
}

std::int64_t searchStart(const RipperState &state)
{
    // Nothing before byte 0 can match, so a negative cursor starts at the beginning.
    return std::max(0, state.palsearchpos);
}

bool isSimpleMatch(const Bytes &bytes, std::int64_t p)
{
    return bytes[p] == 0x01 && bytes[p + 1] == 0x80 && bytes[p + 4] == 0x01 && bytes[p + 5] == 0x82;
}

bool isAdvancedCandidate(const Bytes &bytes, std::int64_t p)
{
    for (int k = 0; k < 4; ++k) {
        const std::int64_t e = p + CopperEntrySize * k;
        if (bytes[e] != 0x01 || bytes[e + 1] < 0x80 || bytes[e + 1] > 0x9F)
            return false;
    }
    return true;
}

// Tells the search's progress as a position among the bytes from the cursor to the end.
struct Reporter
{
    const SearchProgress &progress;
    std::int64_t first;
    std::int64_t size;

    bool operator()(std::int64_t at) const
    {
        return !progress || progress(at - first, size - first);
    }
};

// Applies the Copper list at `start` to the table; returns the length of its leading run of
// moves to distinct colour registers, or Cancelled. A register keeps the first value the list
// moves into it. A list without an end marker runs on to the end of the data, so it reports too.
std::int64_t applyCopperList(
    const Bytes &bytes, std::int64_t start, QList<QRgb> &table, const Reporter &report)
{
    std::array<bool, CopperColours> set {};
    bool broken = false;
    std::int64_t run = 0;
    std::int64_t nextReport = start + ProgressStep;
    for (std::int64_t e = start; bytes.contains(e, CopperEntrySize); e += CopperEntrySize) {
        if (e >= nextReport) {
            if (!report(e))
                return Cancelled;
            nextReport += ProgressStep;
        }
        if (bytes[e] == 0xFF && bytes[e + 1] == 0xFF)
            break;
        const int reg = bytes[e + 1];
        const int colour = (reg - 0x80) / 2;
        if (reg < 0x80 || reg > 0xBF || set[colour]) {
            broken = true;
            continue;
        }
        table[colour] = color12ToRgb(bytes[e + 2], bytes[e + 3]);
        set[colour] = true;
        if (!broken)
            run += CopperEntrySize;
    }
    return run;
}

// The first position from `first` up to `end` (exclusive) that passes `test`, trying only the
// positions holding the first byte of a colour move, which every match starts with. Reports
// progress every few MiB; NotFound, or Cancelled when the report asks to stop.
template<typename Test>
std::int64_t nextAnchor(
    const Bytes &bytes, std::int64_t first, std::int64_t end, Test test, const Reporter &report)
{
    std::int64_t p = first;
    while (p < end) {
        const std::int64_t stepEnd = std::min(end, p + ProgressStep);
        while (p < stepEnd) {
            const void *hit = std::memchr(bytes.data + p, MoveHighByte, std::size_t(stepEnd - p));
            if (!hit)
                break;
            p = static_cast<const std::uint8_t *>(hit) - bytes.data;
            if (test(p))
                return p;
            ++p;
        }
        p = stepEnd;
        if (p < end && !report(p))
            return Cancelled;
    }
    return NotFound;
}

} // namespace

QRgb color12ToRgb(std::uint8_t first, std::uint8_t second)
{
    return qRgb(expandComponent(first & 0x0F), expandComponent(second >> 4),
        expandComponent(second & 0x0F));
}

QList<QRgb> defaultColors()
{
    QList<QRgb> colors(TableSize);
    colors[0] = qRgb(255, 255, 255);
    colors[1] = qRgb(0, 0, 0);
    colors[2] = qRgb(89, 186, 73);
    colors[3] = qRgb(65, 36, 199);
    for (int i = 4; i < 255; ++i)
        colors[i] = qRgb(i, i, i);
    colors[255] = qRgb(203, 203, 215);
    return colors;
}

void setDefaultPalette(QImage &image)
{
    image.setColorTable(defaultColors());
}

void resetPalette(RipperState &state)
{
    state.palfound = 0;
    state.palsearchpos = 0;
    setDefaultPalette(state.canvas);
}

void readEcsPalette(RipperState &state)
{
    const int chunk = Chunks::findChunk(state, "CHIP");
    const Bytes bytes(state);
    const std::int64_t first = std::int64_t(chunk) + EcsTableOffset;
    if (chunk < 0 || !tableStartsInside(bytes, first))
        return;
    state.palfound = int(first);
    QList<QRgb> table = fullTable(state.canvas);
    // A table cut off by the end of the file gives only its whole colour words.
    for (int i = 0; i < EcsEntries && bytes.contains(first + 2 * i, 2); ++i)
        table[i] = color12ToRgb(bytes[first + 2 * i], bytes[first + 2 * i + 1]);
    state.canvas.setColorTable(table);
}

void readAgaPalette(RipperState &state)
{
    const int chunk = Chunks::findChunk(state, "AGAC");
    const Bytes bytes(state);
    const std::int64_t first = std::int64_t(chunk) + AgaTableOffset;
    if (chunk < 0 || !tableStartsInside(bytes, first))
        return;
    state.palfound = int(first);
    QList<QRgb> table = fullTable(state.canvas);
    for (int i = 0; i < TableSize && bytes.contains(first + 4 * i, 4); ++i) {
        const std::int64_t e = first + 4 * i; // byte 0 is the genlock flag
        table[i] = qRgb(bytes[e + 1], bytes[e + 2], bytes[e + 3]);
    }
    state.canvas.setColorTable(table);
}

bool searchCopperSimpleCancellable(RipperState &state, const SearchProgress &progress)
{
    const Bytes bytes(state);
    // A match whose 32 entries run past the end cannot supply a palette, so the last position
    // tried is the one whose entries end at the last byte.
    const std::int64_t end = std::min(bytes.size - SearchMargin, bytes.size - SimpleListBytes + 1);
    const Reporter report { progress, searchStart(state), bytes.size };
    const std::int64_t p = nextAnchor(
        bytes, report.first, end, [&](std::int64_t q) { return isSimpleMatch(bytes, q); }, report);
    if (p == Cancelled)
        return false;
    if (p == NotFound) {
        state.palsearchpos = 0;
        return true;
    }
    QList<QRgb> table = fullTable(state.canvas);
    for (int i = 0; i < CopperColours; ++i) {
        const std::int64_t value = p + CopperEntrySize * i + 2;
        table[i] = color12ToRgb(bytes[value], bytes[value + 1]);
    }
    state.canvas.setColorTable(table);
    state.palfound = int(p);
    state.palsearchpos = int(p + 1);
    return true;
}

bool searchCopperAdvancedCancellable(RipperState &state, const SearchProgress &progress)
{
    const Bytes bytes(state);
    const Reporter report { progress, searchStart(state), bytes.size };
    const std::int64_t p = nextAnchor(
        bytes, report.first, bytes.size - SearchMargin,
        [&](std::int64_t q) { return isAdvancedCandidate(bytes, q); }, report);
    if (p == Cancelled)
        return false;
    if (p == NotFound) {
        state.palsearchpos = 0;
        return true;
    }
    QList<QRgb> table = fullTable(state.canvas);
    const std::int64_t run = applyCopperList(bytes, p, table, report);
    if (run == Cancelled)
        return false;
    state.canvas.setColorTable(table);
    state.palfound = int(p);
    // The run's entries all lie inside the data, so the cursor stays within int.
    state.palsearchpos = int(p + (run > 0 ? run : 1));
    return true;
}

void searchCopperSimple(RipperState &state)
{
    searchCopperSimpleCancellable(state, {});
}

void searchCopperAdvanced(RipperState &state)
{
    searchCopperAdvancedCancellable(state, {});
}

bool advancedListAt(const RipperState &state, std::int64_t position)
{
    const Bytes bytes(state);
    return position >= 0 && position < bytes.size - SearchMargin
        && isAdvancedCandidate(bytes, position);
}

bool applySelectedSource(RipperState &state, const SearchProgress &progress)
{
    switch (state.palsource) {
    case RipperState::PaletteSimple:
        if (!searchCopperSimpleCancellable(state, progress))
            return false;
        break;
    case RipperState::PaletteAdvanced:
        if (!searchCopperAdvancedCancellable(state, progress))
            return false;
        break;
    case RipperState::PaletteECS:
        readEcsPalette(state);
        break;
    case RipperState::PaletteAGA:
        readAgaPalette(state);
        break;
    default:
        break;
    }
    state.palsearchmode = state.palsource;
    return true;
}

} // namespace Palette
