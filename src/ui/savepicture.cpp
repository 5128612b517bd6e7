#include "savepicture.h"

#include "appsettings.h"
#include "exporter.h"
#include "pelvane.h"
#include "prompts.h"

#include <algorithm>

namespace {

// Decimal text; anything else counts as 0.
int numberIn(const QLineEdit *edit)
{
    return edit->text().toInt();
}

} // namespace

savePicture::savePicture(QWidget *parent)
    : QDialog(parent)
    , mainWindow(qobject_cast<Pelvane *>(parent))
{
    ui.setupUi(this);
    SettingsFile settings;
    const int transparent = settings.value(AppSettings::ExportTransparent, -1).toInt();
    ui.checkBoxTransparent->setChecked(transparent >= 0 && transparent <= 255);
    ui.lineEditTransparent->setText(QString::number(std::clamp(transparent, 0, 255)));
    ui.checkBoxSplit->setChecked(settings.value(AppSettings::ExportSplit, false).toBool());
    ui.checkBoxAllColours->setChecked(
        settings.value(AppSettings::PaletteAllColours, false).toBool());
}

// Remembered for the next export, and for File > Export Palette.
void savePicture::rememberChoices(int transparent)
{
    SettingsFile settings;
    settings.setValue(AppSettings::ExportTransparent, transparent);
    settings.setValue(AppSettings::ExportSplit, ui.checkBoxSplit->isChecked());
    settings.setValue(AppSettings::PaletteAllColours, ui.checkBoxAllColours->isChecked());
}

void savePicture::on_pushButtonCancel_clicked()
{
    hide();
}

void savePicture::on_pushButtonSave_clicked()
{
    const int transparent = ui.checkBoxTransparent->isChecked()
        ? std::clamp(numberIn(ui.lineEditTransparent), 0, 255)
        : -1;
    rememberChoices(transparent);
    const QString dir = SettingsFile().value(AppSettings::DefaultImageDir, QString()).toString();
    const QString fileName = Prompts::current().saveFileName(
        this, tr("Save Images"), dir, tr("PNG (*.png);;IFF ILBM (*.iff *.ilbm)"));
    if (fileName.isEmpty() || !mainWindow)
        return;
    Exporter::Request request;
    request.picturesX = std::max(1, numberIn(ui.lineEditNumX));
    request.picturesY = std::max(1, numberIn(ui.lineEditNumY));
    request.border = numberIn(ui.lineEditBorder);
    request.color = numberIn(ui.lineEditColor);
    request.leftToRight = ui.radioButtonLeft->isChecked();
    request.transparent = transparent;
    const bool split = ui.checkBoxSplit->isChecked();
    const Exporter::SplitResult outcome = mainWindow->exportImages(request, fileName, split);
    const QString saved = outcome.written == 1 ? tr("1 image saved")
                                               : tr("%1 images saved").arg(outcome.written);
    if (split && outcome.result == Exporter::Result::Written)
        Prompts::current().information(this, tr("Information"), saved);
    else if (split && outcome.result == Exporter::Result::WriteFailed)
        Prompts::current().information(this, tr("Export error"),
            tr("%1; %2 could not be written.").arg(saved, outcome.failedFile));
    else if (outcome.result == Exporter::Result::Written)
        Prompts::current().information(
            this, tr("Information"), QStringLiteral("Image saved succesfully"));
    else
        reportFailure(outcome.result, fileName);
}

void savePicture::reportFailure(Exporter::Result result, const QString &fileName)
{
    QString text;
    switch (result) {
    case Exporter::Result::TooLarge:
        text = tr("The image would be too large: at most %1 pixels on a side and %2 pixels in "
                  "all. Choose fewer pictures or a smaller border.")
                   .arg(Exporter::MaxSide)
                   .arg(Exporter::MaxPixels);
        break;
    case Exporter::Result::WriteFailed:
        text = tr("The image could not be written to %1.").arg(fileName);
        break;
    case Exporter::Result::Empty:
        text = tr("Nothing to write: with this border the pictures have no pixels.");
        break;
    case Exporter::Result::Written:
        return;
    }
    Prompts::current().information(this, tr("Export error"), text);
}
