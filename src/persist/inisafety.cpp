#include "inisafety.h"

#include <QFile>

#include <string>

namespace IniSafety {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The text as QSettings's INI reader sees values: quotes dropped, a backslash before a line end
// joining the lines, "\x" hex and "\" octal escapes as the 16-bit character they give (any
// number of digits, as the reader takes them). What other escapes give is left open: both
// readings, the escaped character and nothing, are tried.
std::u16string unescaped(const QByteArray &text, bool keepOtherEscapes)
{
    std::u16string out;
    out.reserve(std::size_t(text.size()));
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '"')
            continue;
        if (c != '\\' || i + 1 == n) {
            out += char16_t(static_cast<unsigned char>(c));
            continue;
        }
        const char e = text[++i];
        const bool hex = (e == 'x' || e == 'X') && i + 1 < n && hexDigit(text[i + 1]) >= 0;
        if (e == '\r' || e == '\n') {
            while (i + 1 < n && (text[i + 1] == '\n' || text[i + 1] == ' ' || text[i + 1] == '\t'))
                ++i;
        } else if (hex) {
            unsigned value = 0;
            while (i + 1 < n && hexDigit(text[i + 1]) >= 0)
                value = (value << 4 | unsigned(hexDigit(text[++i]))) & 0xFFFFu;
            out += char16_t(value);
        } else if (e >= '0' && e <= '7') {
            unsigned value = unsigned(e - '0');
            while (i + 1 < n && text[i + 1] >= '0' && text[i + 1] <= '7')
                value = (value << 3 | unsigned(text[++i] - '0')) & 0xFFFFu;
            out += char16_t(value);
        } else if (keepOtherEscapes) {
            out += char16_t(static_cast<unsigned char>(e));
        }
    }
    return out;
}

// A marker anywhere counts, unless its "@" follows another: QSettings writes a string that
// starts with "@" as "@@..." and reads that back as the string.
bool holdsMarker(const std::u16string &values, const std::u16string &marker)
{
    for (std::size_t at = values.find(marker); at != std::u16string::npos;
         at = values.find(marker, at + 1)) {
        if (at == 0 || values[at - 1] != u'@')
            return true;
    }
    return false;
}

} // namespace

bool holdsSerializedValue(const QByteArray &text)
{
    if (!text.contains('@') && !text.contains('\\'))
        return false; // nothing can spell the marker
    for (bool keep : { true, false }) {
        const std::u16string values = unescaped(text, keep);
        if (holdsMarker(values, u"@Variant(") || holdsMarker(values, u"@DateTime("))
            return true;
    }
    return false;
}

QString usablePath(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return path;
    if (!file.open(QIODevice::ReadOnly))
        return path; // QSettings cannot read it either
    return holdsSerializedValue(file.readAll()) ? QString() : path;
}

} // namespace IniSafety
