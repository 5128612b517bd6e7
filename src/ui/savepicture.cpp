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
}

void savePicture::on_pushButtonCancel_clicked()
{
    hide();
}

void savePicture::on_pushButtonSave_clicked()
{
    const QString dir = SettingsFile().value(AppSettings::DefaultImageDir, QString()).toString();
    const QString fileName
        = Prompts::current().saveFileName(this, tr("Save Images"), dir, tr("PNG (*.png)"));
    if (fileName.isEmpty() || !mainWindow)
        return;
    const int picturesX = std::max(1, numberIn(ui.lineEditNumX));
    const int picturesY = std::max(1, numberIn(ui.lineEditNumY));
    const int border = numberIn(ui.lineEditBorder);
    const int color = numberIn(ui.lineEditColor);
    const bool leftToRight = ui.radioButtonLeft->isChecked();

    const Exporter::Result result
        = mainWindow->exportPictures(picturesX, picturesY, leftToRight, border, color, fileName);
    if (result == Exporter::Result::Written)
        Prompts::current().information(
            this, tr("Information"), QStringLiteral("Image saved succesfully"));
    else
        reportFailure(result, fileName);
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
