#include "htmllog.h"

#include <QFile>
#include <QTime>

HtmlLog::HtmlLog(const QString &fileName)
    : m_logName(fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return;
    file.write(content(fileName, QTime::currentTime().toString(Qt::TextDate)));
}

QByteArray HtmlLog::content(const QString &logName, const QString &timeText)
{
    QByteArray text;
    text += "<style type=\"text/css\">\n"
            "<!--\n"
            ".red {color: #FF0000;\n"
            "font-size: 12px;\n"
            "font-family: Verdana;}\n"
            ".blue {color: #0000FF;\n"
            "font-size: 12px;\n"
            "font-family: Verdana;}\n"
            ".black {color: #000000;\n"
            "font-size: 12px;\n"
            "font-family: Verdana;}\n"
            "-->\n"
            "</style>\n";
    text += "Creating " + logName.toLocal8Bit() + " at " + timeText.toLatin1() + "\n";
    text += "<br><br>\n";
    return text;
}

void HtmlLog::addLine(const QString &text) const
{
    QFile file(m_logName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        file.write(lineContent(text));
}

QByteArray HtmlLog::lineContent(const QString &text)
{
    // The file names no character set, so the middle dot goes as an entity.
    const QString escaped = text.toHtmlEscaped().replace(QChar(0x00B7), QLatin1String("&middot;"));
    return "<span class=\"black\">" + escaped.toUtf8() + "</span><br>\n";
}
