#include "frameexport.h"

#include "exporter.h"

#include <QHash>

namespace FrameExport {

QImage forWriting(const QImage &frame)
{
    const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> indexOf;
    QList<QRgb> table;
    for (int y = 0; y < rgb.height() && table.size() <= 256; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width() && table.size() <= 256; ++x) {
            if (!indexOf.contains(line[x])) {
                indexOf.insert(line[x], int(table.size()));
                table << line[x];
            }
        }
    }
    if (table.size() > 256)
        return rgb;
    QImage indexed(rgb.size(), QImage::Format_Indexed8);
    indexed.setColorTable(table);
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        uchar *out = indexed.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x)
            out[x] = uchar(indexOf.value(line[x]));
    }
    return indexed;
}

bool write(const QImage &frame, const QString &fileName)
{
    QImage image = forWriting(frame);
    // A fixed resolution (96 dpi): the file must not depend on the screen it was made on.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    return Exporter::writePng(image, fileName);
}

} // namespace FrameExport
