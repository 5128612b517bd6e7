#include "commandline.h"

#include "pelvane.h"
#include "prompts.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

namespace {

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Finds bitmap graphics in Amiga memory snapshots: WinUAE and FS-UAE save states."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("SNAPSHOT"),
        QStringLiteral("The save state to open, compressed or uncompressed, as File > Open "
                       "does (any other file is read as raw memory)."),
        QStringLiteral("[SNAPSHOT]"));
    parser.addPositionalArgument(QStringLiteral("STATE.plv"),
        QStringLiteral("A ripper state saved on that snapshot, applied after it as File > Open "
                       "Ripper State does."),
        QStringLiteral("[STATE.plv]"));
}

CommandLine failure(const QString &message)
{
    CommandLine parsed;
    parsed.message = message;
    return parsed;
}

bool isStateFile(const QString &path)
{
    return path.endsWith(QStringLiteral(".plv"), Qt::CaseInsensitive);
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(arguments))
        return failure(parser.errorText());
    CommandLine parsed;
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        parsed.kind = CommandLine::Help;
        return parsed;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parsed.kind = CommandLine::Version;
        return parsed;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 2)
        return failure(
            QStringLiteral("expected at most two file names, SNAPSHOT and STATE.plv, not %1")
                .arg(files.size()));
    parsed.kind = CommandLine::Run;
    if (files.size() == 1 && isStateFile(files[0]))
        parsed.statePath = files[0];
    else if (!files.isEmpty()) {
        parsed.snapshotPath = files[0];
        parsed.statePath = files.value(1);
    }
    return parsed;
}

QString commandLineHelp()
{
    QCommandLineParser parser;
    describe(parser);
    return helpNaming(parser.helpText(), QStringLiteral("pelvane"));
}

QString commandLineVersion()
{
    return QStringLiteral("pelvane ") + versionText();
}

void openFromCommandLine(Pelvane &window, const CommandLine &parsed)
{
    if (parsed.kind != CommandLine::Run)
        return;
    if (parsed.snapshotPath.isEmpty()) {
        // A state file holds a view of one snapshot's bytes; with none loaded it shows nothing.
        if (!parsed.statePath.isEmpty())
            Prompts::current().information(&window,
                QCoreApplication::translate("CommandLine", "Open Ripper State"),
                QCoreApplication::translate("CommandLine",
                    "Open a snapshot first: a ripper state file applies to the snapshot it was "
                    "saved on. Start Pelvane with the snapshot, then the state file: pelvane "
                    "SNAPSHOT.uss STATE.plv"));
        return;
    }
    // Absolute, so the recent list still finds it when Pelvane starts elsewhere.
    const QString snapshot = QFileInfo(parsed.snapshotPath).absoluteFilePath();
    window.loadSnapshot(snapshot);
    const bool loaded = window.state().fileLoaded && window.state().currentFile == snapshot;
    if (loaded && !parsed.statePath.isEmpty())
        window.loadState(parsed.statePath);
}
