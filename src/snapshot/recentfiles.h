#pragma once

#include <QStringList>

// The list of recently loaded snapshots, most recent first.
namespace RecentFiles {

// `path` once at the front (exact, case-sensitive comparison), at most eight entries.
QStringList withFileInFront(QStringList list, const QString &path);

// The menu label of an entry: "&1 game.uss".
QString entryLabel(int index, const QString &path);

} // namespace RecentFiles
