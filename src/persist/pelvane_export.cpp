#include "pelvane.h"

#include "appsettings.h"
#include "exporter.h"
#include "imagefile.h"
#include "palettefile.h"
#include "prompts.h"
#include "savepicture.h"
#include "screenview.h"

#include <QFileInfo>
#include <QStatusBar>

void Pelvane::save()
{
    savePicture dialog(this);
    dialog.exec();
}

Exporter::Result Pelvane::exportPictures(
    int picturesX, int picturesY, bool leftToRight, int border, int color, QString fileName)
{
    Exporter::Request request;
    request.picturesX = picturesX;
    request.picturesY = picturesY;
    request.leftToRight = leftToRight;
    request.border = border;
    request.color = color;
    return Exporter::exportPictures(m_state, request, fileName);
}

Exporter::SplitResult Pelvane::exportImages(
    const Exporter::Request &request, const QString &fileName, bool split)
{
    ImageFile::Options options;
    options.format = ImageFile::formatFor(fileName);
    // The mode says something true only while the view is still the screen's.
    if (ScreenView::showsScreen(m_state, m_frame, m_screenIndex)) {
        const ScreenView::DisplayMode mode
            = ScreenView::displayModeOf(m_frame, m_frame.screens[std::size_t(m_screenIndex)]);
        options.ilbm.camg = mode.camg;
        options.ilbm.xAspect = mode.xAspect;
        options.ilbm.yAspect = mode.yAspect;
    }
    return ImageFile::exportImages(m_state, request, fileName, split, options);
}

bool Pelvane::writePalette(const QString &fileName, bool allColours, int transparent) const
{
    const QString name = m_state.currentFile.isEmpty()
        ? titleText()
        : QFileInfo(m_state.currentFile).completeBaseName();
    return PaletteFile::write(
        fileName, ImageFile::viewColours(m_state, allColours), name, transparent);
}

// The Save Images dialog's choices (all colours, a transparent index) apply here too.
void Pelvane::exportPalette()
{
    SettingsFile settings;
    const QString dir = settings.value(AppSettings::DefaultImageDir, QString()).toString();
    const QString fileName = Prompts::current().saveFileName(this, tr("Export Palette"), dir,
        tr("GIMP palette (*.gpl);;JASC palette (*.pal);;Adobe colour table (*.act)"));
    if (fileName.isEmpty())
        return;
    if (!PaletteFile::formatFor(fileName)) {
        Prompts::current().information(this, tr("Export error"),
            tr("%1 is not a palette file name: use .gpl, .pal or .act.").arg(fileName));
        return;
    }
    const bool all = settings.value(AppSettings::PaletteAllColours, false).toBool();
    const int transparent = settings.value(AppSettings::ExportTransparent, -1).toInt();
    if (writePalette(fileName, all, transparent))
        statusBar()->showMessage(tr("Palette saved to %1").arg(fileName));
    else
        Prompts::current().information(
            this, tr("Export error"), tr("The palette could not be written to %1.").arg(fileName));
}
