// The picture area under the pointer: the status-bar readout, double-click to make a picture the
// first of the grid, Backspace to go back; the work is done by the core library.
#include "pelvane.h"

#include "grid.h"
#include "pointerreadout.h"
#include "statuslines.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QStatusBar>
#include <QStyle>
#include <algorithm>

namespace {

constexpr std::size_t MaxJumps = 16;

} // namespace

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

// Where the label really draws its pixmap: aligned in its contents as QLabel does it (with
// AlignVCenter the pixmap is centred, and may reach under the frame). Inside it every canvas
// pixel is a zoom × zoom block; what the frame covers is not the picture area.
std::optional<QPoint> Pelvane::canvasPointAt(QPoint labelPoint) const
{
    const QLabel *label = ui.labelPicture;
    const QRect contents = label->contentsRect().adjusted(
        label->margin(), label->margin(), -label->margin(), -label->margin());
    const QPixmap pixmap = label->pixmap();
    const Qt::LayoutDirection direction = QGuiApplication::layoutDirection();
    const QRect placed
        = QStyle::alignedRect(direction, QStyle::visualAlignment(direction, label->alignment()),
            pixmap.deviceIndependentSize().toSize(), contents);
    if (!contents.contains(labelPoint) || !placed.contains(labelPoint))
        return std::nullopt;
    const QPoint inside = labelPoint - placed.topLeft();
    return QPoint(inside.x() / m_zoom, inside.y() / m_zoom);
}

// Reads a few bytes and sets a label: the picture is not drawn again.
void Pelvane::showPointerReadout()
{
    const std::optional<QPoint> at = m_pointer ? canvasPointAt(*m_pointer) : std::nullopt;
    StatusLines::setLine(
        pointerLabel, at ? PointerReadout::textAt(m_state, at->x(), at->y()) : QString());
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
    rememberJump();
    m_state.offset = target;
    refreshView();
}

// The offset before a jump, for Backspace.
void Pelvane::rememberJump()
{
    m_jumps.push_back(m_state.offset);
    if (m_jumps.size() > MaxJumps)
        m_jumps.pop_front();
}

void Pelvane::undoJump()
{
    if (m_jumps.empty())
        return;
    m_state.offset = m_jumps.back();
    m_jumps.pop_back();
    refreshView();
}
