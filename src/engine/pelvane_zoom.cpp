// Magnification of the picture area: the View menu's zoom entries and what labelPicture shows.
#include "pelvane.h"

#include "appsettings.h"
#include "zoom.h"

#include <QAction>
#include <QMenu>
#include <QPixmap>
#include <algorithm>

void Pelvane::addZoomEntries(QMenu *menu)
{
    zoomInAction = createAction(tr("Zoom &In"), QString(), tr("Magnify the picture area"), nullptr);
    zoomInAction->setShortcuts({ QKeySequence(tr("Ctrl++")), QKeySequence(tr("Ctrl+=")) });
    connect(zoomInAction, &QAction::triggered, this, [this] { setZoom(m_zoom + 1); });
    zoomOutAction
        = createAction(tr("Zoom &Out"), tr("Ctrl+-"), tr("Magnify the picture area less"), nullptr);
    connect(zoomOutAction, &QAction::triggered, this, [this] { setZoom(m_zoom - 1); });
    actualSizeAction = createAction(
        tr("&Actual Size"), tr("Ctrl+0"), tr("Show the picture area unmagnified"), nullptr);
    connect(actualSizeAction, &QAction::triggered, this, [this] { setZoom(Zoom::Min); });
    menu->addActions({ zoomInAction, zoomOutAction, actualSizeAction });
    m_zoom = Zoom::fromSetting(SettingsFile().value(AppSettings::Zoom));
    enableZoomEntries();
}

void Pelvane::enableZoomEntries()
{
    zoomInAction->setEnabled(m_zoom < Zoom::Max);
    zoomOutAction->setEnabled(m_zoom > Zoom::Min);
    actualSizeAction->setEnabled(m_zoom > Zoom::Min);
}

// The factor is stored at once, so a crash or a second window keeps it too.
void Pelvane::setZoom(int factor)
{
    factor = std::clamp(factor, Zoom::Min, Zoom::Max);
    if (factor == m_zoom)
        return;
    m_zoom = factor;
    SettingsFile().setValue(AppSettings::Zoom, m_zoom);
    enableZoomEntries();
    showCanvas();
    showPointerReadout();
}

void Pelvane::showCanvas()
{
    if (m_shown)
        ui.labelPicture->setPixmap(QPixmap::fromImage(Zoom::magnified(m_state.canvas, m_zoom)));
}
