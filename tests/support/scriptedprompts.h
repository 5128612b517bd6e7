#pragma once

#include "prompts.h"

#include <QStringList>
#include <QVector>

// Stands in for file dialogs and message boxes: answers from a queue and records what was asked
// and shown. Installed for its lifetime.
class ScriptedPrompts : public Prompts
{
public:
    struct Asked
    {
        QString kind; // "open", "save", "directory"
        QString caption;
        QString dir;
        QString filter;
    };
    struct Shown
    {
        QString title;
        QString text;
    };

    ScriptedPrompts() { Prompts::install(this); }
    ~ScriptedPrompts() override { Prompts::install(nullptr); }

    // Answers for the next file or directory dialogs, in order; an empty answer is a cancel.
    QStringList answers;
    QVector<Asked> asked;
    QVector<Shown> shown;
    // Labels of the progress requested and the updates they got in all; the update after the
    // first `cancelAfterUpdates` ones is cancelled (negative: none is).
    QStringList progressLabels;
    int progressUpdates = 0;
    int cancelAfterUpdates = -1;

    QString openFileName(QWidget *, const QString &c, const QString &d, const QString &f) override
    {
        return answer("open", c, d, f);
    }
    QString saveFileName(QWidget *, const QString &c, const QString &d, const QString &f) override
    {
        return answer("save", c, d, f);
    }
    QString existingDirectory(
        QWidget *, const QString &c, const QString &d, QFileDialog::Options) override
    {
        return answer("directory", c, d, QString());
    }
    void information(QWidget *, const QString &title, const QString &text) override
    {
        shown.append({ title, text });
    }
    std::unique_ptr<Progress> progress(QWidget *parent, const QString &labelText) override;

    QStringList shownTexts() const;

private:
    QString answer(
        const QString &kind, const QString &caption, const QString &dir, const QString &filter);
};
