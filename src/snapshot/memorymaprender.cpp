#include "memoryoverview.h"

#include "chunks.h"

#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

namespace MemoryMap {

namespace {

QString hex(std::int64_t value)
{
    return QStringLiteral("$")
        + QString::number(value, 16).toUpper().rightJustified(6, QLatin1Char('0'));
}

constexpr std::int64_t ChunkHeader = 12; // tag, length, flags
constexpr QRgb Background = 0xFF202830;
constexpr QRgb Separator = 0xFF101010;

// Greys: zeroed memory black, bitplanes mid-grey, text and code light.
inline QRgb grey(unsigned level)
{
    return 0xFF000000u | (level * 0x010101u);
}

inline QRgb greyOf(Texture t)
{
    return grey((t.mean + 3u * t.change + 2u) >> 2);
}

QRgb bandColour(const QString &tag)
{
    static const QRgb hues[]
        = { 0xFF9FB8D8, 0xFFD8C89F, 0xFFB0D89F, 0xFFD89FB8, 0xFF9FD8D0, 0xFFC4A8E0, 0xFFE0B890 };
    if (tag == QLatin1String("CRAM"))
        return 0xFFE8E8E8;
    return hues[qHash(tag) % std::size(hues)];
}

// The level whose entries are the widest no wider than `perPixel` bytes.
int levelFor(const Overview &overview, std::int64_t perPixel)
{
    int level = 0;
    while (
        level + 1 < int(overview.levels.size()) && (overview.blockBytes << (level + 1)) <= perPixel)
        ++level;
    return level;
}

// Pixels of `count` bytes each from `first` on, each the mean of the entries (of 1 << shift bytes)
// at its first and last byte: under two entries unless the top level's one is narrower.
void coarsePixels(const std::vector<Texture> &entries, int shift, std::int64_t first,
    std::int64_t count, std::int64_t fileSize, QRgb *out, int n)
{
    const Texture *e = entries.data();
    const auto lastEntry = std::int64_t(entries.size()) - 1;
    for (int x = 0; x < n; ++x, first += count) {
        const Texture a = e[first >> shift];
        const Texture b = e[std::min((std::min(first + count, fileSize) - 1) >> shift, lastEntry)];
        out[x] = grey((a.mean + b.mean + 3u * (a.change + b.change) + 4u) >> 3);
    }
}

// Greys, and textures as greys, into opaque pixels, sixteen at a time where there is SIMD.
#if defined(__SSE2__)
inline void sixteenGreys(__m128i g, QRgb *out)
{
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    const __m128i lo = _mm_unpacklo_epi8(g, g), hi = _mm_unpackhi_epi8(g, g);
    auto *to = reinterpret_cast<__m128i *>(out);
    _mm_storeu_si128(to, _mm_or_si128(_mm_unpacklo_epi16(lo, lo), alpha));
    _mm_storeu_si128(to + 1, _mm_or_si128(_mm_unpackhi_epi16(lo, lo), alpha));
    _mm_storeu_si128(to + 2, _mm_or_si128(_mm_unpacklo_epi16(hi, hi), alpha));
    _mm_storeu_si128(to + 3, _mm_or_si128(_mm_unpackhi_epi16(hi, hi), alpha));
}
#endif

void greysToPixels(const std::uint8_t *g, QRgb *out, int n)
{
    int x = 0;
#if defined(__SSE2__)
    for (; x + 16 <= n; x += 16)
        sixteenGreys(_mm_loadu_si128(reinterpret_cast<const __m128i *>(g + x)), out + x);
#endif
    for (; x < n; ++x)
        out[x] = grey(g[x]);
}

static_assert(sizeof(Texture) == 2, "textures are read as byte pairs");

void texturesToPixels(const Texture *t, QRgb *out, int n)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i low = _mm_set1_epi16(0x00FF), two = _mm_set1_epi16(2);
    const auto greys = [&](const Texture *at) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
        const __m128i change = _mm_srli_epi16(v, 8);
        const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_and_si128(v, low), two),
            _mm_add_epi16(change, _mm_add_epi16(change, change)));
        return _mm_srli_epi16(sum, 2);
    };
    for (; x + 16 <= n; x += 16)
        sixteenGreys(_mm_packus_epi16(greys(t + x), greys(t + x + 8)), out + x);
#endif
    for (; x < n; ++x)
        out[x] = greyOf(t[x]);
}

// std::fill stays scalar here; the empty part of the view can be a third of it.
void fillPixels(QRgb *from, QRgb *to, QRgb colour)
{
#if defined(__SSE2__)
    const __m128i four = _mm_set1_epi32(int(colour));
    for (; to - from >= 4; from += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i *>(from), four);
#endif
    std::fill(from, to, colour);
}

constexpr int LabelLength = 30; // four capitals at a 10-pixel font

// A tag in the band's colour, reading upwards, drawn once and kept for the next redraws.
QImage labelImage(const QString &tag, QRgb colour, int width)
{
    static std::mutex mutex;
    static std::map<std::pair<QString, QRgb>, QImage> cache;
    const std::lock_guard<std::mutex> lock(mutex);
    const auto key = std::make_pair(tag, colour);
    const auto found = cache.find(key);
    if (found != cache.end() && found->second.width() == width)
        return found->second;
    if (cache.size() >= 64) // damaged chains can have any number of tags
        cache.clear();
    QImage label(width, LabelLength, QImage::Format_RGB32);
    label.fill(colour);
    QPainter painter(&label);
    QFont font = painter.font();
    font.setPixelSize(10);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.translate(0, LabelLength);
    painter.rotate(-90);
    painter.drawText(QRect(0, 0, LabelLength, width), Qt::AlignCenter, tag);
    painter.end();
    cache[key] = label;
    return label;
}

inline QRgb tinted(QRgb pixel, QRgb colour)
{
    return 0xFF000000u | (((pixel >> 1) & 0x7F7F7Fu) + ((colour >> 1) & 0x7F7F7Fu));
}

} // namespace

QImage render(const Overview &overview, const Layout &layout, QSize size,
    const std::vector<Overlay> &overlays, const RipperState &state)
{
    if (size.isEmpty())
        return QImage();
    QImage image(size, QImage::Format_RGB32);
    const Layout l = sane(layout);
    const std::int64_t fileSize = overview.isEmpty() ? 0 : overview.fileSize;
    const std::int64_t readable = std::min(fileSize, Chunks::dataSize(state));
    const std::int64_t perRow = rowBytes(l);
    const std::int64_t rows = rowCount(l, fileSize);
    const int column = std::min(BandColumn, size.width());
    const int mapWidth = std::clamp(size.width() - BandColumn, 0, l.width);
    const bool fine = l.bytesPerPixel < overview.blockBytes;
    const int level = fine ? 0 : levelFor(overview, l.bytesPerPixel);
    const int shift = blockShift(overview.blockBytes) + level;
    // A pixel as wide as one entry reads it directly.
    static const std::vector<Texture> none;
    const std::vector<Texture> &entries
        = overview.isEmpty() ? none : overview.levels[std::size_t(level)];
    const Texture *direct
        = !fine && l.bytesPerPixel == std::int64_t(1) << shift ? entries.data() : nullptr;
    const std::uint8_t *bytes = state.bytes();
    // scanLine() checks for sharing on every call; the image is new, so once is enough.
    uchar *bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const auto lineOf = [&](std::int64_t y) {
        return reinterpret_cast<QRgb *>(bits + y * stride);
    };
    for (int y = 0; y < size.height(); ++y) {
        QRgb *line = lineOf(y);
        const std::int64_t row = l.firstRow + y;
        if (row >= rows) {
            fillPixels(line, line + size.width(), Background);
            continue;
        }
        std::fill(line, line + column - 1, Background);
        line[column - 1] = Separator;
        QRgb *map = line + column;
        const std::int64_t at = row * perRow;
        int across = int(std::clamp<std::int64_t>(
            (fileSize - at + l.bytesPerPixel - 1) / l.bytesPerPixel, 0, mapWidth));
        if (direct) {
            texturesToPixels(direct + (at >> shift), map, across);
        } else if (!fine) {
            coarsePixels(entries, shift, at, l.bytesPerPixel, fileSize, map, across);
        } else if (l.bytesPerPixel == 1) {
            across = int(std::clamp<std::int64_t>(readable - at, 0, across));
            if (across > 0)
                greysToPixels(bytes + at, map, across);
        } else {
            int x = 0;
            for (std::int64_t from = at; x < across && from < readable;
                 ++x, from += l.bytesPerPixel)
                map[x] = grey(bytes[from]);
            across = x;
        }
        fillPixels(map + across, line + size.width(), Background);
    }
    if (rows == 0 || l.firstRow >= rows)
        return image;
    const std::int64_t lastRow = std::min(rows - 1, l.firstRow + size.height() - 1);

    // Overlays: every pixel they touch, even one narrower than a pixel.
    for (const Overlay &o : overlays) {
        const std::int64_t first = std::max<std::int64_t>(o.first, 0);
        const std::int64_t last = std::min(o.last, fileSize - 1);
        if (first > last)
            continue;
        const QRgb colour = kindColour(o.kind).rgb();
        const std::int64_t p0 = std::max(first / l.bytesPerPixel, l.firstRow * l.width);
        const std::int64_t p1 = std::min(last / l.bytesPerPixel, (lastRow + 1) * l.width - 1);
        for (std::int64_t p = p0; p <= p1;) {
            const std::int64_t row = p / l.width;
            const std::int64_t rowEnd = std::min(p1, (row + 1) * l.width - 1);
            QRgb *map = lineOf(row - l.firstRow) + column;
            const std::int64_t end = std::min<std::int64_t>(rowEnd % l.width, mapWidth - 1);
            for (std::int64_t x = p % l.width; x <= end; ++x)
                map[x] = tinted(map[x], colour);
            p = rowEnd + 1;
        }
    }

    // Bands: a stretch of the column per chunk, a dark line at its top when it has room for one,
    // its tag where it is tall enough.
    struct Label
    {
        QString tag;
        QRgb colour;
        int top, height;
    };
    std::vector<Label> labels;
    const int stripe = column - 1;
    const auto firstShown = std::partition_point(overview.bands.begin(), overview.bands.end(),
        [&](const Band &band) { return band.last / perRow < l.firstRow; });
    for (auto it = firstShown; it != overview.bands.end() && it->first / perRow <= lastRow; ++it) {
        const Band &band = *it;
        const std::int64_t top = std::max(band.first / perRow, l.firstRow);
        const std::int64_t bottom = std::min(band.last / perRow, lastRow);
        if (top > bottom)
            continue;
        const QRgb colour = bandColour(band.tag);
        const std::int64_t edge
            = band.last / perRow - band.first / perRow >= 2 ? band.first / perRow : -1;
        for (std::int64_t row = top; row <= bottom; ++row) {
            QRgb *line = lineOf(row - l.firstRow);
            std::fill(line, line + stripe, row == edge ? Separator : colour);
        }
        labels.push_back(
            { band.tag.trimmed(), colour, int(top - l.firstRow), int(bottom - top + 1) });
    }
    // Text needs a GUI application; a run without one keeps the stripes only.
    if (stripe < BandColumn - 1 || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return image;
    for (const Label &b : labels) {
        if (b.height < LabelLength + 4)
            continue;
        const QImage label = labelImage(b.tag, b.colour, stripe);
        const int top = b.top + (b.height - LabelLength) / 2;
        for (int y = 0; y < LabelLength; ++y)
            std::memcpy(lineOf(top + y), label.constScanLine(y), std::size_t(stripe) * 4);
    }
    return image;
}

QString describe(
    const Overview &overview, const std::vector<Overlay> &overlays, std::int64_t position)
{
    if (overview.isEmpty() || position < 0 || position >= overview.fileSize)
        return QString();
    const auto after = std::upper_bound(overview.bands.begin(), overview.bands.end(), position,
        [](std::int64_t p, const Band &b) { return p < b.first; });
    QString text = QStringLiteral("file ") + hex(position);
    if (after != overview.bands.begin() && std::prev(after)->last >= position) {
        const Band &band = *std::prev(after);
        text = band.tag.trimmed() + QLatin1Char(' ')
            + (position - band.first >= ChunkHeader ? hex(position - band.first - ChunkHeader)
                                                    : QStringLiteral("header"));
    }
    for (const Overlay &o : overlays) {
        if (position < o.first || position > o.last)
            continue;
        QString part = o.label.isEmpty() ? kindName(o.kind) : o.label;
        if (o.lineBytes > 0)
            part += QStringLiteral(", line %1") // unsigned: first may be far below 0
                        .arg((std::uint64_t(position) - std::uint64_t(o.first))
                            / std::uint64_t(o.lineBytes));
        text += QStringLiteral(" \u00B7 ") + part;
    }
    return text;
}

} // namespace MemoryMap
