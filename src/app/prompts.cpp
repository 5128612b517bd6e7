#include "prompts.h"

#include <QMessageBox>

namespace {

class QtPrompts : public Prompts
{
public:
    QString openFileName(
        QWidget *parent, const QString &caption, const QString &dir, const QString &filter) override
    {
        return QFileDialog::getOpenFileName(parent, caption, dir, filter);
    }
    QString saveFileName(
        QWidget *parent, const QString &caption, const QString &dir, const QString &filter) override
    {
        return QFileDialog::getSaveFileName(parent, caption, dir, filter);
    }
    QString existingDirectory(QWidget *parent, const QString &caption, const QString &dir,
        QFileDialog::Options options) override
    {
        return QFileDialog::getExistingDirectory(parent, caption, dir, options);
    }
    void information(QWidget *parent, const QString &title, const QString &text) override
    {
        QMessageBox::information(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
    }
};

QtPrompts qtPrompts;
Prompts *installed = nullptr;

} // namespace

Prompts &Prompts::current()
{
    return installed ? *installed : qtPrompts;
}

void Prompts::install(Prompts *replacement)
{
    installed = replacement;
}
