#include "widthguess.h"

#include "chunks.h"

#include <QStringList>

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace WidthGuess {

namespace {

// Statistics are kept per block of bytes.
constexpr std::int64_t Block = 64;
// Each period is compared over this many of its lines, within the byte bounds below.
constexpr std::int64_t Lines = 32;
constexpr std::int64_t MinWindow = 512;
constexpr std::int64_t MaxWindow = 8192;
// Flat bytes from the offset on (a picture's empty top) skipped to reach the first change.
constexpr std::int64_t LeadLimit = 65536;
// AM keeps a picture's planes one after another, and a plane whose pattern repeats along the
// line (a checker, colour blocks) agrees with many periods. Samples of the bytes further on
// settle such ties.
constexpr std::int64_t SpreadChunks = 7;
constexpr std::int64_t SpreadStep = 8192;
constexpr std::int64_t SpreadChunk = 2048;
constexpr std::int64_t RegionSize = SpreadChunks * SpreadStep + SpreadChunk + MaxPeriod + Block;
// A period scoring at least this share of the best is taken over a larger one.
constexpr double NearTie = 0.9;
// The same among the near ties, on the bytes further on: stricter, as a pattern that breaks in
// one plane of several shows in only part of the samples.
constexpr double FurtherTie = 0.95;
// Standard errors taken off a score, so few edges make no high score by luck.
constexpr double Doubt = 2.0;
// The least chance assumed for an edge to meet another: bounds the weight of a sparse block.
constexpr double MinChance = 1.0 / 8.0;

// The region's pixels as edges: bit b of rise[j] is set where that pixel is set and the one to
// its left is not (bit 7 is a byte's leftmost pixel, after bit 0 of the byte before), fall[j]
// the other way round. Flat areas hold none, whatever their colour. The near* streams widen each
// edge by a pixel on both sides, so an edge that leans by a pixel from one line to the next still
// meets it.
struct Region
{
    std::int64_t size = 0;
    std::vector<std::uint8_t> rise, fall, nearRise, nearFall; // padded for word reads
    std::vector<std::int32_t> riseTotal, fallTotal, nearRiseTotal, nearFallTotal; // prefix sums
};

int bitCount(unsigned byte)
{
    return int(std::bitset<8>(byte).count());
}

void widen(const std::vector<std::uint8_t> &edges, std::vector<std::uint8_t> &near)
{
    for (std::size_t j = 0; j + 1 < edges.size(); ++j) {
        const unsigned e = edges[j];
        const unsigned before = j > 0 ? edges[j - 1] : 0u;
        near[j] = std::uint8_t((e | e << 1 | edges[j + 1] >> 7 | e >> 1 | before << 7) & 0xFF);
    }
}

void total(const std::vector<std::uint8_t> &bits, std::vector<std::int32_t> &sums)
{
    for (std::size_t j = 0; j + 1 < sums.size(); ++j)
        sums[j + 1] = sums[j] + bitCount(bits[j]);
}

Region regionFrom(const std::uint8_t *data, std::int64_t size)
{
    Region r;
    r.size = size;
    const auto n = std::size_t(size);
    for (auto *v : { &r.rise, &r.fall, &r.nearRise, &r.nearFall })
        v->assign(n + 8, 0);
    for (std::size_t j = 1; j < n; ++j) {
        const unsigned left = (data[j] >> 1 | data[j - 1] << 7) & 0xFF;
        r.rise[j] = std::uint8_t(data[j] & ~left);
        r.fall[j] = std::uint8_t(~data[j] & left);
    }
    widen(r.rise, r.nearRise);
    widen(r.fall, r.nearFall);
    for (auto *v : { &r.riseTotal, &r.fallTotal, &r.nearRiseTotal, &r.nearFallTotal })
        v->assign(n + 1, 0);
    total(r.rise, r.riseTotal);
    total(r.fall, r.fallTotal);
    total(r.nearRise, r.nearRiseTotal);
    total(r.nearFall, r.nearFallTotal);
    return r;
}

std::uint64_t word(const std::uint8_t *p)
{
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// The block loop below runs for every period tried: where the processor counts bits in one
// instruction, a copy built for it is called.
#if defined(__GNUC__) && defined(__x86_64__) && defined(__ELF__)
#define WIDTHGUESS_BIT_COUNTING __attribute__((target_clones("popcnt", "default")))
#else
#define WIDTHGUESS_BIT_COUNTING
#endif

// How far the edges of some blocks meet edges of the same kind `period` bytes on beyond what
// chance gives: 0 for unrelated bytes, 1 where every edge has one near it. Chance is taken block
// by block, as edges crowd in noisy bytes and are rare in a picture; blocks where chance is
// high weigh less, as they say less.
struct Tally
{
    double gain = 0.0;
    double room = 0.0;
    double variance = 0.0;

    double score() const
    {
        if (room <= 0.0)
            return 0.0;
        return std::clamp((gain - Doubt * std::sqrt(variance)) / room, 0.0, 1.0);
    }
};

// Adds blocks from..to-1 (multiples of Block); `to` at most the region's size less the period.
WIDTHGUESS_BIT_COUNTING
void tally(Tally &t, const Region &r, std::int64_t period, std::int64_t from, std::int64_t to)
{
    const std::int32_t *rises = r.riseTotal.data();
    const std::int32_t *falls = r.fallTotal.data();
    const std::int32_t *nearRises = r.nearRiseTotal.data() + period;
    const std::int32_t *nearFalls = r.nearFallTotal.data() + period;
    for (std::int64_t b = from; b + Block <= to; b += Block) {
        const double rise = rises[b + Block] - rises[b];
        const double fall = falls[b + Block] - falls[b];
        const double edges = rise + fall;
        if (edges == 0)
            continue;
        std::int64_t hits = 0;
        for (std::int64_t i = b; i < b + Block; i += 8)
            hits += std::bitset<64>(
                        word(&r.rise[std::size_t(i)]) & word(&r.nearRise[std::size_t(i + period)]))
                        .count()
                + std::bitset<64>(
                    word(&r.fall[std::size_t(i)]) & word(&r.nearFall[std::size_t(i + period)]))
                      .count();
        const double expected = (rise * (nearRises[b + Block] - nearRises[b])
                                    + fall * (nearFalls[b + Block] - nearFalls[b]))
            / (8.0 * Block);
        const double chance = expected / edges;
        if (chance >= 1.0)
            continue;
        const double weight = 1.0 / std::max(chance, MinChance);
        t.gain += weight * (double(hits) - expected);
        t.room += weight * (edges - expected);
        t.variance += weight * weight * edges * chance * (1.0 - chance);
    }
}

// Bytes of the region a period can be compared over, in whole blocks.
std::int64_t roomFor(const Region &r, int period)
{
    return std::max<std::int64_t>(0, (r.size - period) / Block * Block);
}

double localScore(const Region &r, int period)
{
    const std::int64_t window
        = (std::clamp(Lines * period, MinWindow, MaxWindow) + Block - 1) / Block * Block;
    Tally t;
    tally(t, r, period, 0, std::min(window, roomFor(r, period)));
    return t.score();
}

double spreadScore(const Region &r, int period)
{
    Tally t;
    const std::int64_t room = roomFor(r, period);
    for (std::int64_t j = 1; j <= SpreadChunks; ++j)
        tally(t, r, period, j * SpreadStep, std::min(j * SpreadStep + SpreadChunk, room));
    return t.score();
}

// The smallest of the near ties, unless the planes further on speak against it.
Candidate chosenOf(const RipperState &state, const Region &region,
    const std::vector<Candidate> &scored, double top)
{
    std::vector<Candidate> ties;
    std::copy_if(scored.begin(), scored.end(), std::back_inserter(ties),
        [&](const Candidate &c) { return c.score >= NearTie * top; });
    if (state.mode != RipperState::ModeAM || state.bits < 2 || ties.size() < 2)
        return ties.front();
    std::vector<double> further;
    for (const Candidate &c : ties)
        further.push_back(spreadScore(region, c.period));
    const double best = *std::max_element(further.begin(), further.end());
    if (best < LowScore)
        return ties.front(); // nothing pictured further on
    const auto first = std::find_if(
        further.begin(), further.end(), [&](double s) { return s >= FurtherTie * best; });
    return ties[std::size_t(first - further.begin())];
}

QString percent(double score)
{
    return QStringLiteral("%1%").arg(int(score * 100.0 + 0.5));
}

} // namespace

int widthFor(int period, int mode, int planes, QString *note)
{
    int divisor = 1;
    QString why;
    switch (mode) {
    case RipperState::ModeST:
        divisor = std::max(planes, 1);
        why = QStringLiteral("is not a multiple of %1 planes").arg(divisor);
        break;
    case RipperState::ModeSP:
    case RipperState::ModeCplus:
    case RipperState::ModeCminus:
        // SP keeps planes 0 and 1 of a line together, the rest after the picture; C+ and C- hold
        // two bytes per 8 pixels: a line is two widths in all three.
        divisor = 2;
        why = QStringLiteral("is odd, and a line in this mode takes two bytes per width byte");
        break;
    default:
        break;
    }
    int width = period;
    if (period % divisor == 0)
        width = period / divisor;
    else if (note)
        *note = QStringLiteral("the period %1 %2").arg(period).arg(why);
    return std::clamp(width, 1, MaxPeriod);
}

Guess guess(const RipperState &state)
{
    Guess g;
    const std::int64_t size = Chunks::dataSize(state);
    const std::int64_t offset = state.offset;
    if (!state.fileLoaded || offset < 0 || offset >= size) {
        g.note = QStringLiteral("the offset lies outside the snapshot");
        return g;
    }
    const std::uint8_t *data = state.bytes();
    std::int64_t first = offset + 1;
    const std::int64_t leadEnd = std::min(size, offset + LeadLimit);
    while (first < leadEnd && data[first] == data[first - 1])
        ++first;
    if (first >= leadEnd) {
        g.note = QStringLiteral("the %1 bytes from the offset on all hold $%2")
                     .arg(leadEnd - offset)
                     .arg(int(data[offset]), 2, 16, QLatin1Char('0'));
        return g;
    }
    const std::int64_t start = first - 1;
    const Region region = regionFrom(data + start, std::min(size - start, RegionSize));

    std::vector<Candidate> scored;
    for (int period = 1; period <= MaxPeriod && roomFor(region, period) >= Block; ++period)
        scored.push_back({ period, localScore(region, period) });
    if (scored.empty()) {
        g.note = QStringLiteral("too few bytes follow the offset");
        return g;
    }
    const double top = std::max_element(scored.begin(), scored.end(), [](auto &a, auto &b) {
        return a.score < b.score;
    })->score;
    if (top >= LowScore) {
        g.best.push_back(chosenOf(state, region, scored, top));
        scored.erase(scored.begin() + (g.best.front().period - 1));
    }
    const auto ranked = scored.begin()
        + std::min<std::ptrdiff_t>(
            3 - std::ptrdiff_t(g.best.size()), std::ptrdiff_t(scored.size()));
    std::partial_sort(scored.begin(), ranked, scored.end(),
        [](const Candidate &a, const Candidate &b) { return a.score > b.score; });
    g.best.insert(g.best.end(), scored.begin(), ranked);
    if (top < LowScore) {
        g.note = QStringLiteral("no period repeats line after line here");
        return g;
    }
    g.width = widthFor(g.best.front().period, state.mode, state.bits, &g.note);
    return g;
}

QString describe(const Guess &guess)
{
    QString text = guess.width > 0 ? QStringLiteral("Width %1: lines repeat every %2 bytes (%3)")
                                         .arg(guess.width)
                                         .arg(guess.best.front().period)
                                         .arg(percent(guess.best.front().score))
                                   : QStringLiteral("No width found");
    QStringList others;
    for (std::size_t i = guess.width > 0 ? 1 : 0; i < guess.best.size(); ++i)
        others << QStringLiteral("%1 (%2)")
                      .arg(guess.best[i].period)
                      .arg(percent(guess.best[i].score));
    if (!others.isEmpty())
        text += (guess.width > 0 ? QStringLiteral("; next ") : QStringLiteral("; best periods "))
            + others.join(QStringLiteral(", "));
    if (!guess.note.isEmpty())
        text += QStringLiteral("; ") + guess.note;
    return text + QLatin1Char('.');
}

} // namespace WidthGuess
