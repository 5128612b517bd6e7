#include "preferencesdlg.h"

#include "appsettings.h"
#include "prompts.h"
#include "uiresources.h"

preferencesDlg::preferencesDlg(QWidget *parent)
    : QDialog(parent)
{
    initUiResources();
    ui.setupUi(this);

    SettingsFile settings;
    ui.lineOpenDir->setText(settings.value(AppSettings::DefaultUssDir, QString()).toString());
    ui.lineSaveImageDir->setText(
        settings.value(AppSettings::DefaultImageDir, QString()).toString());
}

preferencesDlg::~preferencesDlg() = default;

// Browse for the directory for saving images.
void preferencesDlg::on_pushButton_3_clicked()
{
    browseInto(AppSettings::DefaultImageDir, tr("Choose default directory for saving images"),
        ui.lineSaveImageDir);
}

// Ok: store both fields exactly as they stand.
void preferencesDlg::on_pushButton_2_clicked()
{
    SettingsFile settings;
    settings.setValue(AppSettings::DefaultUssDir, ui.lineOpenDir->text());
    settings.setValue(AppSettings::DefaultImageDir, ui.lineSaveImageDir->text());
    close();
}

// Browse for the directory for opening snapshots.
void preferencesDlg::on_pushButton_clicked()
{
    browseInto(
        AppSettings::DefaultUssDir, tr("Choose default open file directory"), ui.lineOpenDir);
}

// The directory dialog starts at the stored value, not at what the field shows now, so every
// Browse of one opening starts from the same place.
void preferencesDlg::browseInto(const char *key, const QString &caption, QLineEdit *field)
{
    const QString start = SettingsFile().value(key, QString()).toString();
    const QString picked = Prompts::current().existingDirectory(
        this, caption, start, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (!picked.isEmpty())
        field->setText(picked);
}
