#pragma once

#include <QFileDialog>
#include <QString>

#include <memory>

class QWidget;

// Progress of one long piece of work, shown while it lasts.
class Progress
{
public:
    virtual ~Progress() = default;
    // Reports `done` of `total`; false once the user has asked to cancel.
    virtual bool update(qint64 done, qint64 total) = 0;
};

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
    // Progress for work about to run; it shows only when the work lasts about half a second,
    // can be cancelled and goes away when the returned object is destroyed.
    virtual std::unique_ptr<Progress> progress(QWidget *parent, const QString &labelText) = 0;

    // The prompts in use; Qt's dialogs unless a replacement is installed.
    static Prompts &current();
    // Installs a replacement (not owned); nullptr goes back to Qt's dialogs.
    static void install(Prompts *replacement);
};

// Progress reports of core work, for the prompts in use: the display is asked for only once the
// work first reports, so short work never creates one; close() (or destruction) ends it.
class ReportedProgress
{
public:
    ReportedProgress(QWidget *parent, const QString &labelText)
        : m_parent(parent)
        , m_labelText(labelText)
    {
    }
    bool update(qint64 done, qint64 total)
    {
        if (!m_progress)
            m_progress = Prompts::current().progress(m_parent, m_labelText);
        return m_progress->update(done, total);
    }
    // A reporting function that forwards here, for the core's callbacks.
    auto reporter()
    {
        return [this](qint64 done, qint64 total) {
            return update(done, total);
        };
    }
    void close() { m_progress.reset(); }

private:
    QWidget *m_parent;
    QString m_labelText;
    std::unique_ptr<Progress> m_progress;
};
