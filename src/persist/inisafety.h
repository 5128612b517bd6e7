#pragma once

#include <QByteArray>
#include <QString>

// QSettings reads an INI value "@Variant(...)" or "@DateTime(...)" through QDataStream, which
// builds any registered type (images among them) at whatever size the bytes ask for: a few bytes
// in a file received from anyone can ask for gigabytes. The program never writes such values, so
// a file holding one is not read at all.
namespace IniSafety {

// Whether `text`, with INI quotes, escapes and line continuations undone, holds such a value
// anywhere. Errs on the side of yes.
bool holdsSerializedValue(const QByteArray &text);

// `path` when the file is absent or holds no such value; otherwise an empty path, on which
// QSettings reads nothing and writes nothing.
QString usablePath(const QString &path);

} // namespace IniSafety
