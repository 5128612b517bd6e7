#pragma once

#include <QString>

// The small HTML log written anew at every start: a style sheet and the time it was created.
class HtmlLog
{
public:
    // Writes the whole file and closes it; a file that cannot be written is skipped silently.
    explicit HtmlLog(const QString &fileName);

    const QString &logName() const { return m_logName; }

    // Appends one line of text; a file that cannot be written is skipped silently.
    void addLine(const QString &text) const;
    // The file's text for such a line.
    static QByteArray lineContent(const QString &text);

    // The file's text for a given time of day ("HH:MM:SS").
    static QByteArray content(const QString &logName, const QString &timeText);

private:
    QString m_logName;
};
