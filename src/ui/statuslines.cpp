#include "statuslines.h"

#include <QStatusBar>
#include <QVBoxLayout>

StatusLines::StatusLines(QStatusBar *bar)
    : QWidget(bar)
    , m_message(new QLabel(this))
    , m_pointer(new QLabel(this))
    , m_snapshotInfo(new QLabel(this))
{
    m_message->setObjectName(QStringLiteral("labelMessage"));
    m_pointer->setObjectName(QStringLiteral("labelPointer"));
    m_snapshotInfo->setObjectName(QStringLiteral("labelSnapshotInfo"));
    m_message->setWordWrap(true);
    auto *lines = new QVBoxLayout(this);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(0);
    for (QLabel *line : { m_message, m_pointer, m_snapshotInfo }) {
        // Wide text must not widen the window: each line takes what the bar gives it. Empty
        // lines keep their room, so the window does not change size as the pointer moves.
        line->setMinimumWidth(1);
        line->setText(QStringLiteral("Xy"));
        line->setMinimumHeight(line->sizeHint().height());
        line->clear();
        line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        lines->addWidget(line);
    }
    m_message->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::MinimumExpanding);
    // The bar draws its own message in the room beside its widgets: these lines take it all,
    // and show the message instead.
    bar->addPermanentWidget(this, 1);
    connect(bar, &QStatusBar::messageChanged, this,
        [this](const QString &message) { setLine(m_message, message); });
}

void StatusLines::setLine(QLabel *line, const QString &text)
{
    line->setText(text);
}
