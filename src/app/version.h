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
