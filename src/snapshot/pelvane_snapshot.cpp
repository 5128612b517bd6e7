// How snapshots reach the window: the Open File dialog, the recent-file entries and drops.
#include "pelvane.h"

#include "appsettings.h"
#include "prompts.h"
#include "recentfiles.h"
#include "snapshotfile.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>

void Pelvane::open()
{
    const QString dir = SettingsFile().value(AppSettings::DefaultUssDir, QString()).toString();
    const QString path = Prompts::current().openFileName(
        this, tr("Open File"), dir, tr("WinUAE uncompressed snapshot (*.uss);;All files (*.*)"));
    if (!path.isEmpty())
        loadSnapshot(path);
}

void Pelvane::openRecentFile()
{
    if (const auto *action = qobject_cast<QAction *>(sender()))
        loadSnapshot(action->data().toString());
}

// A file that cannot be read whole leaves the loaded snapshot as it was.
void Pelvane::loadSnapshot(const QString &path)
{
    auto bytes = SnapshotFile::read(path);
    if (!bytes) {
        Prompts::current().information(this, tr("File error"), tr("Can't open file!"));
        return;
    }
    m_state.filesize = int(bytes->size());
    m_state.fileData = std::move(*bytes);
    m_shown.reset();
    m_jumps.clear(); // offsets into the previous snapshot
    ui.horizontalSlider->setMaximum(m_state.filesize);
    recordCurrentFile(path);
    m_state.fileLoaded = true;
    setControlsEnabled(true);
    findScreens();
    drawGrid();
    showPointerReadout();
}

void Pelvane::recordCurrentFile(const QString &path)
{
    m_state.currentFile = path;
    if (path.isEmpty())
        setWindowTitle(titleText());
    else
        setWindowTitle(tr("%1 - %2").arg(titleText(), QFileInfo(path).fileName()));
    {
        SettingsFile settings;
        const QStringList list = settings.value(AppSettings::RecentFileList).toStringList();
        settings.setValue(AppSettings::RecentFileList, RecentFiles::withFileInFront(list, path));
    }
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<Pelvane *>(widget))
            window->refreshRecentMenu();
    }
}

void Pelvane::refreshRecentMenu()
{
    const QStringList list = SettingsFile().value(AppSettings::RecentFileList).toStringList();
    const int shown = std::min<int>(list.size(), AppSettings::MaxRecentFiles);
    for (int i = 0; i < AppSettings::MaxRecentFiles; ++i) {
        QAction *action = recentActions[i];
        if (i < shown) {
            action->setText(RecentFiles::entryLabel(i, list[i]));
            action->setData(list[i]);
        }
        action->setVisible(i < shown);
    }
    recentSeparator->setVisible(shown > 0);
}

// The local path of the first dropped URL, or an empty string when there is none.
static QString firstLocalPath(const QMimeData *mime)
{
    if (!mime || !mime->hasFormat(QStringLiteral("text/uri-list")))
        return QString();
    const QList<QUrl> urls = mime->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return QString();
    return urls.first().toLocalFile();
}

static bool isStateFile(const QString &path)
{
    return path.right(4).toLower() == QLatin1String(".plv");
}

void Pelvane::dragEnterEvent(QDragEnterEvent *event)
{
    const QString path = firstLocalPath(event->mimeData());
    if (path.isEmpty())
        return;
    if (!isStateFile(path) || openStateAction->isEnabled())
        event->acceptProposedAction();
}

void Pelvane::dropEvent(QDropEvent *event)
{
    const QString path = firstLocalPath(event->mimeData());
    if (path.isEmpty())
        return;
    if (isStateFile(path)) {
        if (openStateAction->isEnabled())
            loadState(path);
    } else {
        loadSnapshot(path);
    }
    event->acceptProposedAction();
}
