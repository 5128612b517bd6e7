#pragma once

#include "inisafety.h"

#include <QSettings>
#include <QString>

// The application settings file. Every operation opens its own QSettings on it and lets it go at
// its end, so what one operation writes is what the next one reads.
namespace AppSettings {

inline QString fileName()
{
    return QStringLiteral("settings.ini");
}

inline const char *const WindowX = "windowx";
inline const char *const WindowY = "windowy";
inline const char *const RecentFileList = "recentFileList";
inline const char *const DefaultUssDir = "defaultussdir";
inline const char *const DefaultImageDir = "defaultimagedir";
inline const char *const Zoom = "zoom";
// The Save Images dialog's choices: a transparent colour index (-1: none), one file per picture,
// all 256 colours in palette files.
inline const char *const ExportTransparent = "exportTransparent";
inline const char *const ExportSplit = "exportSplit";
inline const char *const PaletteAllColours = "paletteAllColours";

constexpr int DefaultWindowX = 4;
constexpr int DefaultWindowY = 26;
constexpr int MaxRecentFiles = 8;

} // namespace AppSettings

// "settings.ini" in the working directory, in INI format, open for one operation.
class SettingsFile : public QSettings
{
public:
    // A file holding a value QSettings would build an object from is not read (nor written):
    // the defaults apply, as for a malformed file.
    SettingsFile()
        : QSettings(IniSafety::usablePath(AppSettings::fileName()), QSettings::IniFormat)
    {
    }
};
