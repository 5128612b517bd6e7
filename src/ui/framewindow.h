#pragma once

#include "framerender.h"
#include "ui_framewindow.h"

#include <QWidget>

// The displayed frame at 1 to 4 times its size: what lies under the pointer, and a click that
// puts it on the main window's view.
class FrameWindow : public QWidget
{
    Q_OBJECT

public:
    explicit FrameWindow(QWidget *parent = nullptr);

    void setFrame(const FrameRender::Frame *frame);
    int zoom() const { return m_zoom; }
    void setZoom(int factor);
    const Ui::FrameWindowClass &form() const { return ui; }

signals:
    void picked(QPoint framePixel);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::optional<QPoint> framePixelAt(QPoint labelPoint) const;
    void showFrame();

    Ui::FrameWindowClass ui;
    const FrameRender::Frame *m_frame = nullptr;
    int m_zoom = 1;
};
