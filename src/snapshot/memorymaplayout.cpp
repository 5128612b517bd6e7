#include "memoryoverview.h"

#include <algorithm>

// Which bytes each pixel of the map shows: spans, rows, scrolling and zoom.
namespace MemoryMap {

Layout sane(Layout layout)
{
    layout.bytesPerPixel = std::clamp<std::int64_t>(layout.bytesPerPixel, 1, MaxBytesPerPixel);
    layout.width = std::clamp(layout.width, 1, MaxWidth);
    layout.firstRow = std::clamp<std::int64_t>(layout.firstRow, 0, std::int64_t(1) << 62);
    return layout;
}

std::int64_t rowBytes(const Layout &layout)
{
    const Layout l = sane(layout);
    return l.bytesPerPixel * l.width;
}

std::int64_t rowCount(const Layout &layout, std::int64_t fileSize)
{
    return fileSize <= 0 ? 0 : (fileSize - 1) / rowBytes(layout) + 1;
}

Span pixelSpan(const Layout &layout, int x, int y, std::int64_t fileSize)
{
    const Layout l = sane(layout);
    const std::int64_t row = l.firstRow + y;
    if (x < 0 || x >= l.width || row < 0 || row >= rowCount(l, fileSize))
        return {};
    const std::int64_t first = row * rowBytes(l) + std::int64_t(x) * l.bytesPerPixel;
    if (first >= fileSize)
        return {};
    return { first, std::min(first + l.bytesPerPixel, fileSize) - 1 };
}

Cell cellOf(const Layout &layout, std::int64_t position)
{
    const Layout l = sane(layout);
    const std::int64_t pixel = std::max<std::int64_t>(position, 0) / l.bytesPerPixel;
    return { int(pixel % l.width), pixel / l.width };
}

std::int64_t fittingBytesPerPixel(std::int64_t fileSize, int width, int visibleRows)
{
    const std::int64_t across = std::clamp(width, 1, MaxWidth);
    const std::int64_t rows = std::max(visibleRows, 1);
    std::int64_t perPixel = 1;
    while (
        perPixel < MaxBytesPerPixel && fileSize > 0 && (fileSize - 1) / (across * perPixel) >= rows)
        perPixel *= 2;
    return perPixel;
}

Layout clampedScroll(Layout layout, std::int64_t fileSize, int visibleRows)
{
    Layout l = sane(layout);
    const std::int64_t last
        = std::max<std::int64_t>(rowCount(l, fileSize) - std::max(visibleRows, 1), 0);
    l.firstRow = std::min(l.firstRow, last);
    return l;
}

Layout zoomed(Layout layout, std::int64_t fileSize, int visibleRows, int x, int y, int steps)
{
    Layout l = sane(layout);
    visibleRows = std::max(visibleRows, 1);
    x = std::clamp(x, 0, l.width - 1);
    y = std::clamp(y, 0, visibleRows - 1);
    Span under = pixelSpan(l, x, y, fileSize);
    const std::int64_t anchor
        = under.isEmpty() ? std::max<std::int64_t>(fileSize - 1, 0) : under.first;
    const std::int64_t widest = fittingBytesPerPixel(fileSize, l.width, visibleRows);
    for (int i = 0; i < std::min(std::abs(std::clamp(steps, -64, 64)), 64); ++i)
        l.bytesPerPixel = steps > 0 ? std::max<std::int64_t>(l.bytesPerPixel / 2, 1)
                                    : std::min(l.bytesPerPixel * 2, widest);
    l.bytesPerPixel = std::min(l.bytesPerPixel, std::max(widest, std::int64_t(1)));
    l.firstRow = std::max<std::int64_t>(cellOf(l, anchor).row - y, 0);
    return clampedScroll(l, fileSize, visibleRows);
}

QColor kindColour(int kind)
{
    static const QRgb colours[KindCount]
        = { 0xFF40D040, 0xFF4080FF, 0xFFFF9020, 0xFFE040E0, 0xFFFFE030 };
    return QColor::fromRgb(kind >= 0 && kind < KindCount ? colours[kind] : 0xFFFFFFFF);
}

QString kindName(int kind)
{
    static const char *const names[KindCount]
        = { "displayed screen", "screen in memory", "Copper list", "sprite", "view" };
    return kind >= 0 && kind < KindCount ? QString::fromLatin1(names[kind]) : QString();
}

} // namespace MemoryMap
