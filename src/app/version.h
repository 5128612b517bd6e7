#pragma once

#include <QString>

// The program's name and version, kept in one place for the window title and the about box.
inline QString programName()
{
    return QStringLiteral("Pelvane");
}

inline QString versionText()
{
    return QStringLiteral("0.6");
}

// A command-line help text whose usage line names `program` as installed rather than as it was
// started (a build path, say).
inline QString helpNaming(QString help, const QString &program)
{
    const qsizetype options = help.indexOf(QStringLiteral(" [options]"));
    if (help.startsWith(QStringLiteral("Usage: ")) && options >= 7)
        help.replace(7, options - 7, program);
    return help;
}
