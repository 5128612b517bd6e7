#include "palettefile.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace PaletteFile {

std::optional<Format> formatFor(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("gpl"))
        return Format::Gimp;
    if (suffix == QLatin1String("pal"))
        return Format::Jasc;
    if (suffix == QLatin1String("act"))
        return Format::Adobe;
    return std::nullopt;
}

QByteArray encode(Format format, const QList<QRgb> &colours, const QString &name, int transparent)
{
    const qsizetype count = colours.size();
    if (transparent >= count)
        transparent = -1;
    QByteArray out;
    switch (format) {
    case Format::Gimp: {
        // A line break in the name would end the header early.
        QString oneLine = name;
        oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '))
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
        out = "GIMP Palette\nName: " + oneLine.toUtf8() + "\nColumns: 16\n#\n";
        for (qsizetype i = 0; i < count; ++i) {
            const QRgb c = colours[i];
            out += QString::asprintf("%3d %3d %3d\t", qRed(c), qGreen(c), qBlue(c)).toLatin1();
            out += i == transparent ? QByteArray("Transparent") : "Colour " + QByteArray::number(i);
            out += '\n';
        }
        break;
    }
    case Format::Jasc:
        out = "JASC-PAL\r\n0100\r\n" + QByteArray::number(count) + "\r\n";
        for (const QRgb c : colours)
            out += QString::asprintf("%d %d %d\r\n", qRed(c), qGreen(c), qBlue(c)).toLatin1();
        break;
    case Format::Adobe: {
        const int stored = int(std::min<qsizetype>(count, 256));
        out = QByteArray(768, '\0');
        for (int i = 0; i < stored; ++i) {
            out[3 * i] = char(qRed(colours[i]));
            out[3 * i + 1] = char(qGreen(colours[i]));
            out[3 * i + 2] = char(qBlue(colours[i]));
        }
        // The trailer tells a short table's count; 0xFFFF marks no transparent colour.
        if (stored < 256 || (transparent >= 0 && transparent < 256)) {
            const int index = transparent >= 0 && transparent < 256 ? transparent : 0xFFFF;
            for (const int value : { stored, index }) {
                out += char(value >> 8 & 0xFF);
                out += char(value & 0xFF);
            }
        }
        break;
    }
    }
    return out;
}

bool write(
    const QString &fileName, const QList<QRgb> &colours, const QString &name, int transparent)
{
    const std::optional<Format> format = formatFor(fileName);
    if (!format)
        return false;
    const QByteArray bytes = encode(*format, colours, name, transparent);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace PaletteFile
