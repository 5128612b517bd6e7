#include "imagefile.h"

#include <QFileInfo>
#include <algorithm>

namespace ImageFile {

Format formatFor(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    return suffix == QLatin1String("iff") || suffix == QLatin1String("ilbm")
            || suffix == QLatin1String("lbm")
        ? Format::Ilbm
        : Format::Png;
}

Exporter::Result write(const QImage &indexed, const QString &fileName, const Options &options)
{
    if (indexed.isNull())
        return Exporter::Result::TooLarge;
    if (options.format == Format::Png)
        return Exporter::writePng(indexed, fileName) ? Exporter::Result::Written
                                                     : Exporter::Result::WriteFailed;
    Ilbm::Options ilbm = options.ilbm;
    ilbm.planes = std::clamp(std::max(options.planes, Ilbm::planesFor(indexed)), 1, 8);
    switch (Ilbm::write(indexed, indexed.colorTable(), ilbm, fileName)) {
    case Ilbm::Result::Written:
        return Exporter::Result::Written;
    case Ilbm::Result::TooLarge:
        return Exporter::Result::TooLarge;
    default:
        return Exporter::Result::WriteFailed;
    }
}

} // namespace ImageFile
