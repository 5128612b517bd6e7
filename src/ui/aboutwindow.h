#pragma once

#include "ui_aboutwindow.h"

#include <QDialog>

// The logo, the program's name and version, and the credits.
class aboutWindow : public QDialog
{
    Q_OBJECT

public:
    explicit aboutWindow(QWidget *parent = nullptr);
    ~aboutWindow() override;

private slots:
    void on_pushButton_clicked();

private:
    Ui::aboutWindowClass ui;
};
