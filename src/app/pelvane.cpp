#include "pelvane.h"

#include "appsettings.h"
#include "framewindow.h"
#include "htmllog.h"
#include "statuslines.h"
#include "uiresources.h"
#include "version.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

QString Pelvane::titleText()
{
    return tr("Pelvane ") + versionText();
}

Pelvane::Pelvane(QWidget *parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags)
{
    initUiResources();
    ui.setupUi(this);
    restoreWindowPosition();
    setWindowTitle(titleText());
    logFile = std::make_unique<HtmlLog>(QStringLiteral("logfile.html"));
    m_state.canvas = QImage(ui.labelPicture->size(), QImage::Format_Indexed8);
    resetPalette();
    createActions();
    createMenus();
    createStatusLines();
    ui.labelPicture->installEventFilter(this);
    setControlsEnabled(false);
    refreshView();
}

Pelvane::~Pelvane() = default;

// The window grows by the bar's extra lines: the form keeps all of its height.
void Pelvane::createStatusLines()
{
    const int oneLine = statusBar()->sizeHint().height();
    auto *lines = new StatusLines(statusBar());
    pointerLabel = lines->pointer();
    snapshotInfoLabel = lines->snapshotInfo();
    resize(width(), height() + statusBar()->sizeHint().height() - oneLine);
}

// A saved position is used unless it would put the window wholly off every screen (a monitor
// that has gone since), where the default position is used instead.
void Pelvane::restoreWindowPosition()
{
    SettingsFile settings;
    // QRect computes its far corner in int; a place this far out is off every screen anyway.
    constexpr int Farthest = 1 << 24;
    const int y
        = std::clamp(settings.value(AppSettings::WindowY, AppSettings::DefaultWindowY).toInt(),
            -Farthest, Farthest);
    const int x
        = std::clamp(settings.value(AppSettings::WindowX, AppSettings::DefaultWindowX).toInt(),
            -Farthest, Farthest);
    QRect wanted(x, y, width(), height());
    const auto screens = QGuiApplication::screens();
    const bool visible = screens.isEmpty()
        || std::any_of(screens.begin(), screens.end(),
            [&](const QScreen *screen) { return screen->availableGeometry().intersects(wanted); });
    if (!visible)
        wanted.moveTo(AppSettings::DefaultWindowX, AppSettings::DefaultWindowY);
    setGeometry(wanted);
}

void Pelvane::closeEvent(QCloseEvent *event)
{
    SettingsFile settings;
    settings.setValue(AppSettings::WindowX, geometry().x());
    settings.setValue(AppSettings::WindowY, geometry().y());
    // The frame and the memory map go with the window: the program ends with it.
    for (QWidget *window : { static_cast<QWidget *>(m_frameWindow), m_memoryMapWindow }) {
        if (window)
            window->close();
    }
    event->accept();
}

void Pelvane::mouseMoveEvent(QMouseEvent *) { }
