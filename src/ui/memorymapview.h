#pragma once

#include "memoryoverview.h"

#include <QImage>
#include <QWidget>
#include <vector>

class QLabel;
class QScrollBar;

// The snapshot file as a vertical strip: the legend of the overlay colours on top, the map with
// its scroll bar, and the text of what lies under the pointer below. The wheel zooms around the
// pointer; a left click picks the first byte of the pixel.
class MemoryMapView : public QWidget
{
    Q_OBJECT

public:
    explicit MemoryMapView(QWidget *parent = nullptr);
    ~MemoryMapView() override;

    // Both must live until replaced; null shows that nothing is loaded. Fits the whole file.
    void setOverview(const MemoryMap::Overview *overview, const RipperState *state);
    void setOverlays(std::vector<MemoryMap::Overlay> overlays);
    // Which bytes each map pixel shows, and how far the map is scrolled.
    MemoryMap::Layout mapLayout() const { return m_layout; }
    void setMapLayout(const MemoryMap::Layout &layout);

    // The area the map is drawn in: map column x lies at MemoryMap::BandColumn + x.
    QWidget *mapArea() const;
    QLabel *hoverLabel() const { return m_hover; }

signals:
    void hovered(const QString &text);
    void positionPicked(qint64 filePosition);

private:
    class Canvas;
    friend class Canvas;

    std::int64_t fileSize() const;
    int visibleRows() const;
    int mapWidth() const;
    MemoryMap::Span spanAt(QPoint point) const;
    void paintMap(QPainter &painter);
    void canvasResized();
    void pointerMoved(QPoint point);
    void pointerLeft();
    void wheelTurned(QPoint point, int delta);
    void changed();

    Canvas *m_canvas;
    QScrollBar *m_scrollBar;
    QLabel *m_legend;
    QLabel *m_hover;
    const MemoryMap::Overview *m_overview = nullptr;
    const RipperState *m_state = nullptr;
    std::vector<MemoryMap::Overlay> m_overlays;
    MemoryMap::Layout m_layout;
    bool m_fitted = true; // showing the whole file: a resize fits it again
    bool m_dirty = true;
    int m_wheel = 0; // eighths of a degree not yet turned into a notch
    QImage m_image;
    QString m_hoverText;
};
