// Arbitrary bytes as "settings.ini" in the working directory, read key by key the way the program
// reads it, then the recent-file update written back and read again.
#include "appsettings.h"
#include "inisafety.h"
#include "recentfiles.h"
#include "reference.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

using Reference::require;

namespace {

void checkRecentFileUpdate(bool usable)
{
    const QString loaded = QStringLiteral("/snapshots/loaded game.uss");
    const auto [written, reread] = Reference::recentFileUpdate(loaded);
    require(written.size() <= AppSettings::MaxRecentFiles, "at most eight recent files");
    require(written.value(0) == loaded && written.count(loaded) == 1,
        "the loaded file is first and only once");
    // QSettings rewrites the file in its own spelling, which may leave a marker in the middle of
    // a value where an escape hid it: from then on the file is not used either.
    const bool stillUsable = !IniSafety::usablePath(AppSettings::fileName()).isEmpty();
    if (usable && stillUsable)
        require(reread == written, "the recent-file list reads back as written");
    else
        require(reread.isEmpty(), "a file that is not used reads as empty");
    for (int i = 0; i < reread.size(); ++i)
        RecentFiles::entryLabel(i, reread[i]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Back to it after each input: libFuzzer writes its corpus by relative path.
    static const QString startDir = QDir::currentPath();
    // QSettings keeps parsed files cached by path, so every input gets a directory of its own.
    static QTemporaryDir root; // removed at exit
    static int runs = 0;
    const QString dir = root.filePath(QString::number(runs++));
    require(QDir().mkpath(dir) && QDir::setCurrent(dir), "a fresh working directory");
    {
        QFile file(AppSettings::fileName());
        require(file.open(QIODevice::WriteOnly), "settings.ini opens");
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    {
        SettingsFile settings;
        settings.value(AppSettings::WindowX, AppSettings::DefaultWindowX).toInt();
        settings.value(AppSettings::WindowY, AppSettings::DefaultWindowY).toInt();
        settings.value(AppSettings::DefaultUssDir, QString()).toString();
        settings.value(AppSettings::DefaultImageDir, QString()).toString();
    }
    // A file holding values QSettings would deserialize is neither read nor written.
    const bool usable = !IniSafety::usablePath(AppSettings::fileName()).isEmpty();
    checkRecentFileUpdate(usable);
    if (!usable) {
        QFile file(AppSettings::fileName());
        require(file.open(QIODevice::ReadOnly)
                && file.readAll()
                    == QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)),
            "a file that is not used is left as it was");
    }
    QDir::setCurrent(startDir);
    QDir(dir).removeRecursively();
    return 0;
}
