// pelvane-export: the window's "Save images" from the command line.
#include "exportoptions.h"
#include "exportrun.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

void printError(const QString &message)
{
    std::fprintf(stderr, "pelvane-export: %s\n", qPrintable(message));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const ExportCli::Parsed parsed = ExportCli::parseArguments(app.arguments());
    switch (parsed.kind) {
    case ExportCli::Parsed::Help:
        std::fputs(qPrintable(ExportCli::helpText()), stdout);
        return ExportCli::Written;
    case ExportCli::Parsed::Version:
        std::printf("%s\n", qPrintable(ExportCli::versionLine()));
        return ExportCli::Written;
    case ExportCli::Parsed::Error:
        printError(parsed.message);
        std::fputs("Try 'pelvane-export --help' for more information.\n", stderr);
        return ExportCli::BadUsage;
    case ExportCli::Parsed::Run:
        break;
    }
    const ExportCli::RunResult result = ExportCli::run(parsed.options);
    for (const QString &message : result.messages)
        printError(message);
    return result.exitCode;
}
