#pragma once

#include "ui_preferencesdlg.h"

#include <QDialog>

class QLineEdit;

// Edits the two default directories kept in the settings file. Nothing is written until Ok.
class preferencesDlg : public QDialog
{
    Q_OBJECT

public:
    explicit preferencesDlg(QWidget *parent = nullptr);
    ~preferencesDlg() override;

private slots:
    void on_pushButton_3_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_clicked();

private:
    void browseInto(const char *key, const QString &caption, QLineEdit *field);

    Ui::preferencesDlgClass ui;
};
