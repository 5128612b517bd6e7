// How snapshots reach the window: the Open File dialog, the recent-file entries and drops.
#include "pelvane.h"

#include "appsettings.h"
#include "htmllog.h"
#include "prompts.h"
#include "recentfiles.h"
#include "snapshotfile.h"
#include "snapshotsummary.h"
#include "statuslines.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QStatusBar>

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

// A file that cannot be read whole, or whose compressed chunks cannot be expanded, leaves the
// loaded snapshot as it was; bad data gets one more line in the box saying what is wrong.
void Pelvane::loadSnapshot(const QString &path)
{
    ReportedProgress progress(this, tr("Opening %1...").arg(path));
    SnapshotFile::ReadResult read = SnapshotFile::read(path, progress.reporter());
    // The map's overview is made once, while the progress shows; cancelled, the map stays empty.
    MemoryMap::Overview overview;
    if (read.bytes)
        overview = MemoryMap::compute(
            read.bytes->data(), std::int64_t(read.bytes->size()), progress.reporter());
    progress.close();
    if (read.cancelled)
        return;
    if (!read.bytes) {
        QString text = tr("Can't open file!");
        if (!read.problem.isEmpty())
            text += QLatin1Char('\n') + read.problem;
        Prompts::current().information(this, tr("File error"), text);
        return;
    }
    m_state.filesize = int(read.bytes->size());
    m_state.fileData = std::move(*read.bytes);
    m_overview = std::move(overview);
    m_snapshotSummary = SnapshotSummary::describe(m_state, read.expanded);
    logFile->addLine(m_snapshotSummary);
    m_shown.reset();
    m_jumps.clear(); // offsets into the previous snapshot
    ui.horizontalSlider->setMaximum(m_state.filesize);
    recordCurrentFile(path);
    m_state.fileLoaded = true;
    setControlsEnabled(true);
    findScreens();
    drawGrid();
    showPointerReadout();
    showSnapshotInfo();
}

void Pelvane::showSnapshotInfo()
{
    if (!m_state.fileLoaded) {
        StatusLines::setLine(snapshotInfoLabel, QString());
        return;
    }
    const QString address = SnapshotSummary::chipAddress(m_state, m_state.offset);
    StatusLines::setLine(snapshotInfoLabel,
        address.isEmpty() ? m_snapshotSummary
                          : m_snapshotSummary + QStringLiteral(" \u00B7 ") + address);
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
