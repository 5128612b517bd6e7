#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QString>

#include <optional>

// A palette written for paint programs: GIMP (.gpl), JASC-PAL (.pal) or an Adobe colour table
// (.act).
namespace PaletteFile {

enum class Format { Gimp, Jasc, Adobe };

// By the extension, in any case; nothing for another one.
std::optional<Format> formatFor(const QString &fileName);

// `transparent` outside the colours counts as none. An Adobe table holds the first 256 colours.
QByteArray encode(
    Format format, const QList<QRgb> &colours, const QString &name, int transparent = -1);

// False for an unknown extension (nothing written) or a failed write. Atomic: an existing file is
// replaced only by a complete one.
bool write(
    const QString &fileName, const QList<QRgb> &colours, const QString &name, int transparent = -1);

} // namespace PaletteFile
