// The picture area under the pointer: the status-bar readout, double-click to make a picture the
// first of the grid, Backspace to go back; the work is done by the core library.
#include "pelvane.h"

#include "grid.h"
#include "pointerreadout.h"

#include <QMouseEvent>
#include <QStatusBar>
#include <algorithm>

namespace {

constexpr std::size_t MaxJumps = 16;

} // namespace

// Wide enough for a long readout, so the text stays put while the pointer moves; hidden while
// blank, so status tips have the room.
void Pelvane::createPointerLabel()
{
    pointerLabel = new QLabel(this);
    pointerLabel->setObjectName(QStringLiteral("labelPointer"));
    pointerLabel->setMinimumWidth(pointerLabel->fontMetrics().horizontalAdvance(
        QStringLiteral("#999 @ 9999999 \u00B7 x 999 y 999 \u00B7 byte 9999999 bit 7 (chip $1FFFFF) "
                       "\u00B7 colour 99 #FFFFFF")));
    pointerLabel->hide();
    statusBar()->addPermanentWidget(pointerLabel);
}

bool Pelvane::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui.labelPicture)
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
        m_pointer = static_cast<QMouseEvent *>(event)->position().toPoint();
        showPointerReadout();
        break;
    case QEvent::Leave:
        m_pointer.reset();
        showPointerReadout();
        break;
    case QEvent::MouseButtonDblClick: {
        const auto *click = static_cast<QMouseEvent *>(event);
        if (click->button() != Qt::LeftButton)
            break;
        jumpToPictureAt(click->position().toPoint());
        return true;
    }
    default:
        break;
    }
    return false;
}

// The label's frame comes first; inside it every canvas pixel is a zoom × zoom block.
std::optional<QPoint> Pelvane::canvasPointAt(QPoint labelPoint) const
{
    const QPoint inside = labelPoint - ui.labelPicture->contentsRect().topLeft();
    if (inside.x() < 0 || inside.y() < 0)
        return std::nullopt;
    return QPoint(inside.x() / m_zoom, inside.y() / m_zoom);
}

// Reads a few bytes and sets a label: the picture is not drawn again.
void Pelvane::showPointerReadout()
{
    const std::optional<QPoint> at = m_pointer ? canvasPointAt(*m_pointer) : std::nullopt;
    pointerLabel->setText(at ? PointerReadout::textAt(m_state, at->x(), at->y()) : QString());
    pointerLabel->setVisible(!pointerLabel->text().isEmpty());
}

// Jumps to where the grid found the picture; a jump that changes nothing is not remembered.
void Pelvane::jumpToPictureAt(QPoint labelPoint)
{
    const std::optional<QPoint> at = canvasPointAt(labelPoint);
    const auto hit = at ? PointerReadout::pictureAt(m_state, at->x(), at->y()) : std::nullopt;
    if (!hit)
        return;
    const int target = int(std::min<std::int64_t>(hit->position, ui.horizontalSlider->maximum()));
    if (target == m_state.offset)
        return;
    m_jumps.push_back(m_state.offset);
    if (m_jumps.size() > MaxJumps)
        m_jumps.pop_front();
    m_state.offset = target;
    refreshView();
}

void Pelvane::undoJump()
{
    if (m_jumps.empty())
        return;
    m_state.offset = m_jumps.back();
    m_jumps.pop_back();
    refreshView();
}
