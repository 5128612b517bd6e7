#include "prompts.h"

#include <QMessageBox>
#include <QProgressDialog>

namespace {

constexpr int ProgressSteps = 1000;
constexpr int ProgressShowsAfterMs = 500;

// A window-modal dialog with a Cancel button; Qt shows it once the work has run, or is estimated
// to run, past the minimum duration, and only then processes events while it runs.
class DialogProgress : public Progress
{
public:
    DialogProgress(QWidget *parent, const QString &labelText)
        : m_dialog(labelText, QProgressDialog::tr("Cancel"), 0, ProgressSteps, parent)
    {
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(ProgressShowsAfterMs);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
    }
    bool update(qint64 done, qint64 total) override
    {
        if (total > 0)
            m_dialog.setValue(int(qBound<qint64>(0, done, total) * ProgressSteps / total));
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
};

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
    std::unique_ptr<Progress> progress(QWidget *parent, const QString &labelText) override
    {
        return std::make_unique<DialogProgress>(parent, labelText);
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
