#include "aboutwindow.h"

#include "uiresources.h"
#include "version.h"

aboutWindow::aboutWindow(QWidget *parent)
    : QDialog(parent)
{
    initUiResources();
    ui.setupUi(this);
    ui.labelAbout->setText(tr("<b>%1 %2</b> by the Pelvane authors"
                              "<br>https://pelvane.example.org"
                              "<br>Made for finding graphics in Amiga memory snapshots.")
                               .arg(programName(), versionText()));
}

aboutWindow::~aboutWindow() = default;

void aboutWindow::on_pushButton_clicked()
{
    close();
}
