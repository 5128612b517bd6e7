#pragma once

#include <QLabel>
#include <QWidget>

class QStatusBar;

// The status bar's text, a line each so that none is cut: the message the bar shows (it wraps when
// longer than the window is wide), the readout under the pointer and the open snapshot's summary.
class StatusLines : public QWidget
{
    Q_OBJECT

public:
    explicit StatusLines(QStatusBar *bar);

    QLabel *pointer() const { return m_pointer; }
    QLabel *snapshotInfo() const { return m_snapshotInfo; }
    // Sets a line's text.
    static void setLine(QLabel *line, const QString &text);

private:
    QLabel *m_message;
    QLabel *m_pointer;
    QLabel *m_snapshotInfo;
};
