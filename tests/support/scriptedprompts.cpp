#include "scriptedprompts.h"

QString ScriptedPrompts::answer(
    const QString &kind, const QString &caption, const QString &dir, const QString &filter)
{
    asked.append({ kind, caption, dir, filter });
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

std::unique_ptr<Progress> ScriptedPrompts::progress(QWidget *, const QString &labelText)
{
    struct Scripted : Progress
    {
        explicit Scripted(ScriptedPrompts &prompts)
            : owner(prompts)
        {
        }
        bool update(qint64, qint64) override
        {
            ++owner.progressUpdates;
            return owner.cancelAfterUpdates < 0
                || owner.progressUpdates <= owner.cancelAfterUpdates;
        }
        ScriptedPrompts &owner;
    };
    progressLabels << labelText;
    return std::make_unique<Scripted>(*this);
}

QStringList ScriptedPrompts::shownTexts() const
{
    QStringList texts;
    for (const Shown &s : shown)
        texts << s.text;
    return texts;
}
