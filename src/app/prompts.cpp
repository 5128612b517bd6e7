#include "prompts.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QProgressDialog>

namespace {

constexpr int ProgressSteps = 1000;
constexpr int ProgressShowsAfterMs = 500;

// A window-modal dialog with a Cancel button. It is left untouched for the first half second,
// so Qt's estimate cannot flash it up for work that ends sooner; from then on it shows, and
// events are processed while the work runs (the window itself is blocked by the dialog).
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
        m_clock.start();
    }
    bool update(qint64 done, qint64 total) override
    {
        if (m_clock.elapsed() < ProgressShowsAfterMs || total <= 0)
            return true;
        m_dialog.setValue(int(qBound<qint64>(1, done, total) * ProgressSteps / total));
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
    QElapsedTimer m_clock;
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
