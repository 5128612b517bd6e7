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

QList<QRgb> viewColours(const RipperState &state, bool allColours)
{
    const int count = allColours ? 256 : 1 << std::clamp(state.bits, 1, 8);
    return state.canvas.colorTable().mid(0, count);
}

Exporter::SplitResult exportImages(const RipperState &state, const Exporter::Request &request,
    const QString &fileName, bool split, Options options)
{
    options.planes = state.bits;
    options.ilbm.transparent = request.transparent;
    const auto writeOne = [&](const QImage &image, const QString &name) {
        return write(image, name, options) == Exporter::Result::Written;
    };
    if (split)
        return Exporter::exportEach(state, request, fileName, writeOne);
    Exporter::SplitResult outcome;
    outcome.result = Exporter::check(state, request);
    if (outcome.result == Exporter::Result::Written) {
        outcome.result = write(Exporter::compose(state, request), fileName, options);
        outcome.written = outcome.result == Exporter::Result::Written ? 1 : 0;
        outcome.failedFile = outcome.written ? QString() : fileName;
    }
    return outcome;
}

} // namespace ImageFile
