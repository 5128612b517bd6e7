#include "recentfiles.h"

#include "appsettings.h"

#include <QFileInfo>

namespace RecentFiles {

QStringList withFileInFront(QStringList list, const QString &path)
{
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > AppSettings::MaxRecentFiles)
        list.removeLast();
    return list;
}

QString entryLabel(int index, const QString &path)
{
    return QStringLiteral("&%1 %2").arg(index + 1).arg(QFileInfo(path).fileName());
}

} // namespace RecentFiles
