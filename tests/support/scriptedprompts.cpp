#include "scriptedprompts.h"

QString ScriptedPrompts::answer(
    const QString &kind, const QString &caption, const QString &dir, const QString &filter)
{
    asked.append({ kind, caption, dir, filter });
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

QStringList ScriptedPrompts::shownTexts() const
{
    QStringList texts;
    for (const Shown &s : shown)
        texts << s.text;
    return texts;
}
