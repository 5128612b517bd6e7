#include "framewindow.h"

#include "frameprobe.h"
#include "zoom.h"

#include <QKeyEvent>
#include <QMouseEvent>

FrameWindow::FrameWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    ui.setupUi(this);
    setFocusPolicy(Qt::StrongFocus); // its zoom keys work from the first click
    ui.labelFrame->installEventFilter(this);
}

// Ctrl+= (or Ctrl++), Ctrl+- and Ctrl+0, as in the main window: the change of zoom, or none.
static std::optional<int> zoomStep(const QKeyEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier))
        return std::nullopt;
    switch (event->key()) {
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return 1;
    case Qt::Key_Minus:
        return -1;
    case Qt::Key_0:
        return -Zoom::Max;
    default:
        return std::nullopt;
    }
}

// The main window's zoom entries have the same keys: here they zoom this window.
bool FrameWindow::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && zoomStep(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void FrameWindow::keyPressEvent(QKeyEvent *event)
{
    if (const std::optional<int> step = zoomStep(event))
        setZoom(m_zoom + *step);
    else
        QWidget::keyPressEvent(event);
}

void FrameWindow::setFrame(const FrameRender::Frame *frame)
{
    m_frame = frame;
    showFrame();
}

void FrameWindow::setZoom(int factor)
{
    m_zoom = std::clamp(factor, Zoom::Min, Zoom::Max);
    showFrame();
}

void FrameWindow::showFrame()
{
    if (!m_frame || m_frame->image.isNull()) {
        ui.labelFrame->setPixmap(QPixmap());
        ui.labelFrame->setText(m_frame ? m_frame->problem : QString());
        return;
    }
    const QImage &image = m_frame->image;
    ui.labelFrame->setPixmap(QPixmap::fromImage(image.scaled(image.size() * m_zoom)));
}

// The pixmap sits at the label's top left.
std::optional<QPoint> FrameWindow::framePixelAt(QPoint labelPoint) const
{
    if (!m_frame || m_frame->image.isNull())
        return std::nullopt;
    const QPoint inside = labelPoint - ui.labelFrame->contentsRect().topLeft();
    if (inside.x() < 0 || inside.y() < 0)
        return std::nullopt;
    const QPoint pixel(inside.x() / m_zoom, inside.y() / m_zoom);
    if (!m_frame->image.rect().contains(pixel))
        return std::nullopt;
    return pixel;
}

bool FrameWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui.labelFrame)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseMove) {
        const auto pixel = framePixelAt(static_cast<QMouseEvent *>(event)->position().toPoint());
        ui.labelFrameInfo->setText(
            pixel ? FrameRender::describePixel(*m_frame, *pixel) : QString());
    } else if (event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const auto pixel = framePixelAt(mouse->position().toPoint());
        if (pixel && mouse->button() == Qt::LeftButton)
            emit picked(*pixel);
    }
    return QWidget::eventFilter(watched, event);
}
