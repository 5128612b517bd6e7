#include "commandline.h"
#include "pelvane.h"

#include <QApplication>

#include <cstdio>

namespace {

// Prints what a line that opens no window asks for; its exit status.
int answer(const CommandLine &parsed)
{
    if (parsed.kind == CommandLine::Help)
        std::fputs(qPrintable(commandLineHelp()), stdout);
    else if (parsed.kind == CommandLine::Version)
        std::printf("%s\n", qPrintable(commandLineVersion()));
    else
        std::fprintf(
            stderr, "pelvane: %s\n\n%s", qPrintable(parsed.message), qPrintable(commandLineHelp()));
    return parsed.exitCode();
}

} // namespace

int main(int argc, char *argv[])
{
    // Help and version need no display, so they are answered before the GUI starts. Anything
    // else is read again once QApplication has taken out Qt's own options (-platform, -style).
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const CommandLine early = parseCommandLine(raw);
    if (early.kind == CommandLine::Help || early.kind == CommandLine::Version) {
        QCoreApplication app(argc, argv);
        return answer(early);
    }
    QApplication app(argc, argv);
    // Checked before the window exists: a wrong line opens none.
    const CommandLine parsed = parseCommandLine(app.arguments());
    if (parsed.kind != CommandLine::Run)
        return answer(parsed);
    Pelvane window;
    window.show();
    openFromCommandLine(window, parsed);
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
    return app.exec();
}
