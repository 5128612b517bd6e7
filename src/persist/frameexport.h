#pragma once

#include <QImage>
#include <QString>

// The displayed frame written as PNG: a palette PNG when it has at most 256 colours, else RGB.
namespace FrameExport {

QImage forWriting(const QImage &frame);

// Atomic: an existing file is replaced only by a complete image.
bool write(const QImage &frame, const QString &fileName);

} // namespace FrameExport
