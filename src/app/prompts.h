#pragma once

#include <QFileDialog>
#include <QString>

class QWidget;

// The one seam through which the window and its dialogs ask the user for files and tell them
// things. The program uses Qt's modal dialogs; tests install a scripted stand-in.
class Prompts
{
public:
    virtual ~Prompts() = default;

    virtual QString openFileName(
        QWidget *parent, const QString &caption, const QString &dir, const QString &filter)
        = 0;
    virtual QString saveFileName(
        QWidget *parent, const QString &caption, const QString &dir, const QString &filter)
        = 0;
    virtual QString existingDirectory(
        QWidget *parent, const QString &caption, const QString &dir, QFileDialog::Options options)
        = 0;
    // An information box with a single OK button.
    virtual void information(QWidget *parent, const QString &title, const QString &text) = 0;

    // The prompts in use; Qt's dialogs unless a replacement is installed.
    static Prompts &current();
    // Installs a replacement (not owned); nullptr goes back to Qt's dialogs.
    static void install(Prompts *replacement);
};
