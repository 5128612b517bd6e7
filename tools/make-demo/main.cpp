// Writes the demonstration snapshot demo.uss, the same state saved compressed as
// demo-compressed.uss, and one ripper state file per picture into the directory named on the
// command line.
#include "demosnapshot.h"
#include "snapshotwriter.h"
#include "statefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

#include <cstdio>

static bool writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fputs("usage: make-demo OUTPUT_DIRECTORY\n", stderr);
        return 1;
    }
    const QDir dir(args[1]);
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "make-demo: cannot create %s\n", qPrintable(dir.path()));
        return 1;
    }
    const DemoSnapshot::Demo demo = DemoSnapshot::build();
    const QString snapshot = dir.filePath(QStringLiteral("demo.uss"));
    if (!writeFile(snapshot, demo.bytes)) {
        std::fprintf(stderr, "make-demo: cannot write %s\n", qPrintable(snapshot));
        return 1;
    }
    // The same state as the emulator saves it by default, its memory chunks compressed.
    const QString compressed = dir.filePath(QStringLiteral("demo-compressed.uss"));
    if (!writeFile(compressed, SnapshotWriter::compressChunks(demo.bytes))) {
        std::fprintf(stderr, "make-demo: cannot write %s\n", qPrintable(compressed));
        return 1;
    }
    for (const DemoSnapshot::Picture &picture : demo.pictures) {
        const QString state = dir.filePath(picture.stateFileName);
        // A fresh file each time, so no key of an older one lingers.
        QFile::remove(state);
        if (!StateFile::save(DemoSnapshot::viewOf(demo, picture), state)) {
            std::fprintf(stderr, "make-demo: cannot write %s\n", qPrintable(state));
            return 1;
        }
    }
    return 0;
}
