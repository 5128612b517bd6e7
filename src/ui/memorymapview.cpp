#include "memorymapview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <limits>

using namespace MemoryMap;

// The map's own surface; everything it sees goes to the view.
class MemoryMapView::Canvas : public QWidget
{
public:
    explicit Canvas(MemoryMapView *view)
        : QWidget(view)
        , m_view(view)
    {
        setMouseTracking(true);
        setMinimumSize(BandColumn + 16, 64);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        m_view->paintMap(painter);
    }
    void resizeEvent(QResizeEvent *) override { m_view->canvasResized(); }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        m_view->pointerMoved(event->position().toPoint());
    }
    void leaveEvent(QEvent *) override { m_view->pointerLeft(); }
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        const Span span = m_view->spanAt(event->position().toPoint());
        if (!span.isEmpty())
            emit m_view->positionPicked(span.first);
    }
    void wheelEvent(QWheelEvent *event) override
    {
        m_view->wheelTurned(event->position().toPoint(), event->angleDelta().y());
        event->accept();
    }

private:
    MemoryMapView *m_view;
};

MemoryMapView::MemoryMapView(QWidget *parent)
    : QWidget(parent)
    , m_canvas(new Canvas(this))
    , m_scrollBar(new QScrollBar(Qt::Vertical, this))
    , m_legend(new QLabel(this))
    , m_hover(new QLabel(this))
{
    QString legend;
    for (int kind = 0; kind < KindCount; ++kind)
        legend += QStringLiteral("<span style=\"color:%1\">\u25A0</span>&nbsp;%2 ")
                      .arg(kindColour(kind).name(), kindName(kind).toHtmlEscaped());
    m_legend->setText(legend);
    m_legend->setWordWrap(true);
    // Long hover texts wrap instead of widening the dock.
    m_hover->setWordWrap(true);
    m_hover->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_hover->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *mapRow = new QHBoxLayout;
    mapRow->setContentsMargins(0, 0, 0, 0);
    mapRow->setSpacing(0);
    mapRow->addWidget(m_canvas, 1);
    mapRow->addWidget(m_scrollBar);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(2, 2, 2, 2);
    column->addWidget(m_legend);
    column->addLayout(mapRow, 1);
    column->addWidget(m_hover);

    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) {
        m_layout.firstRow = value;
        m_dirty = true;
        m_canvas->update();
    });
    changed();
}

MemoryMapView::~MemoryMapView() = default;

QWidget *MemoryMapView::mapArea() const
{
    return m_canvas;
}

void MemoryMapView::setOverview(const Overview *overview, const RipperState *state)
{
    m_overview = overview && state && !overview->isEmpty() ? overview : nullptr;
    m_state = m_overview ? state : nullptr;
    m_fitted = true;
    m_layout.firstRow = 0;
    canvasResized();
    pointerLeft(); // the text named the old bytes
}

void MemoryMapView::setOverlays(std::vector<Overlay> overlays)
{
    m_overlays = std::move(overlays);
    m_dirty = true;
    m_canvas->update();
}

void MemoryMapView::setMapLayout(const Layout &layout)
{
    m_layout = layout;
    m_fitted = false;
    changed();
}

std::int64_t MemoryMapView::fileSize() const
{
    return m_overview ? m_overview->fileSize : 0;
}

int MemoryMapView::visibleRows() const
{
    return std::max(m_canvas->height(), 1);
}

int MemoryMapView::mapWidth() const
{
    return std::max(m_canvas->width() - BandColumn, 1);
}

Span MemoryMapView::spanAt(QPoint point) const
{
    // The band column stands for the start of its row.
    return pixelSpan(m_layout, std::max(point.x() - BandColumn, 0), point.y(), fileSize());
}

void MemoryMapView::canvasResized()
{
    // The byte at the top stays there, unless the whole file was shown: then it is again.
    const Span top = pixelSpan(m_layout, 0, 0, fileSize());
    m_layout.width = mapWidth();
    const std::int64_t fitting = fittingBytesPerPixel(fileSize(), m_layout.width, visibleRows());
    if (m_fitted || m_layout.bytesPerPixel > fitting)
        m_layout.bytesPerPixel = fitting;
    m_layout.firstRow = top.isEmpty() ? 0 : top.first / rowBytes(m_layout);
    changed();
}

void MemoryMapView::changed()
{
    m_layout = clampedScroll(m_layout, fileSize(), visibleRows());
    {
        const QSignalBlocker blocker(m_scrollBar);
        const std::int64_t last = rowCount(m_layout, fileSize()) - visibleRows();
        m_scrollBar->setRange(
            0, int(std::clamp<std::int64_t>(last, 0, std::numeric_limits<int>::max())));
        m_scrollBar->setPageStep(visibleRows());
        m_scrollBar->setSingleStep(std::max(visibleRows() / 16, 1));
        m_scrollBar->setValue(
            int(std::min<std::int64_t>(m_layout.firstRow, m_scrollBar->maximum())));
    }
    m_dirty = true;
    m_canvas->update();
}

void MemoryMapView::paintMap(QPainter &painter)
{
    static const RipperState nothing;
    if (m_dirty || m_image.size() != m_canvas->size()) {
        static const Overview none;
        m_image = MemoryMap::render(m_overview ? *m_overview : none, m_layout, m_canvas->size(),
            m_overlays, m_state ? *m_state : nothing);
        m_dirty = false;
    }
    painter.drawImage(0, 0, m_image);
    if (!m_overview) {
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawText(m_canvas->rect(), Qt::AlignCenter | Qt::TextWordWrap, tr("No snapshot"));
    }
}

void MemoryMapView::pointerMoved(QPoint point)
{
    const Span span = spanAt(point);
    const QString text = span.isEmpty() ? QString() : describe(*m_overview, m_overlays, span.first);
    if (text == m_hoverText)
        return;
    m_hoverText = text;
    m_hover->setText(text);
    emit hovered(text);
}

void MemoryMapView::pointerLeft()
{
    if (m_hoverText.isEmpty())
        return;
    m_hoverText.clear();
    m_hover->clear();
    emit hovered(QString());
}

void MemoryMapView::wheelTurned(QPoint point, int delta)
{
    constexpr int Notch = 120;
    m_wheel += delta;
    const int steps = m_wheel / Notch;
    m_wheel %= Notch;
    if (steps == 0 || !m_overview)
        return;
    m_layout = zoomed(
        m_layout, fileSize(), visibleRows(), std::max(point.x() - BandColumn, 0), point.y(), steps);
    m_fitted
        = m_layout.bytesPerPixel >= fittingBytesPerPixel(fileSize(), m_layout.width, visibleRows());
    changed();
    pointerMoved(point);
}
