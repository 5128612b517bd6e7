#pragma once

#include <QString>
#include <QStringList>

class Pelvane;

// The window's command line: pelvane [SNAPSHOT] [STATE.plv].
struct CommandLine
{
    enum Kind { Run, Help, Version, Error };
    Kind kind = Error;
    QString message; // what is wrong, for Error
    QString snapshotPath; // empty: start without a snapshot
    QString statePath; // empty: none; with no snapshot, a state file given alone

    int exitCode() const { return kind == Error ? 1 : 0; }
};

// `arguments` as the application holds them (Qt's own options taken out), the program name first.
CommandLine parseCommandLine(const QStringList &arguments);
QString commandLineHelp();
QString commandLineVersion(); // "pelvane 0.6"

// Opens what a Run line names, as Ctrl+O and then Ctrl+Shift+O do; a state file alone is
// refused with a box.
void openFromCommandLine(Pelvane &window, const CommandLine &parsed);
