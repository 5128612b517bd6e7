#include "zoom.h"

#include <cstring>

namespace Zoom {

int fromSetting(const QVariant &value)
{
    bool whole = false;
    const int factor = value.toString().toInt(&whole);
    return whole && factor >= Min && factor <= Max ? factor : Min;
}

QImage magnified(const QImage &canvas, int factor)
{
    if (factor <= 1 || canvas.format() != QImage::Format_Indexed8)
        return canvas;
    const int columns = (canvas.width() + factor - 1) / factor;
    const int rows = (canvas.height() + factor - 1) / factor;
    QImage shown(columns * factor, rows * factor, QImage::Format_Indexed8);
    shown.setColorTable(canvas.colorTable());
    for (int y = 0; y < rows; ++y) {
        const uchar *from = canvas.constScanLine(y);
        uchar *first = shown.scanLine(y * factor);
        for (int x = 0; x < columns; ++x)
            std::memset(first + x * factor, from[x], std::size_t(factor));
        for (int copy = 1; copy < factor; ++copy)
            std::memcpy(shown.scanLine(y * factor + copy), first, std::size_t(shown.width()));
    }
    return shown;
}

} // namespace Zoom
