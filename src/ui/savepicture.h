#pragma once

#include "ui_savepicture.h"

#include <QDialog>

class Pelvane;

namespace Exporter {
enum class Result;
}

// The "Save Images" dialog: how many pictures, their border and order, then the PNG file name.
class savePicture : public QDialog
{
    Q_OBJECT

public:
    explicit savePicture(QWidget *parent = nullptr);

    const Ui::savePictureClass &form() const { return ui; }

private slots:
    void on_pushButtonCancel_clicked();
    void on_pushButtonSave_clicked();

private:
    void rememberChoices(int transparent);
    void reportFailure(Exporter::Result result, const QString &fileName);

    Ui::savePictureClass ui;
    Pelvane *mainWindow = nullptr;
};
