// pelmix-cli: operates the counter from the command line, without a display.

#include "AnalyzeCommand.h"
#include "Arguments.h"
#include "Console.h"
#include "ExitStatus.h"
#include "MeasureCommand.h"
#include "PortsCommand.h"
#include "ServeCommand.h"

#include "core/Version.h"

#include <QCoreApplication>

#include <csignal>
#include <unistd.h>

namespace {

using namespace pelmix::cli;

const char *const Help = R"(Usage: pelmix-cli COMMAND [options]
Operates the counter on a serial port from the command line.

Commands:
  measure   Measure once, N times, for a time or until interrupted, and write
            the readings as CSV, JSON Lines or text.
  analyze   Print the statistics and the Allan deviations of recorded values.
  ports     List the serial ports and the ComN that name them.
  serve     Serve the counter to SCPI clients over TCP.

Options:
  -h, --help  Show this help; "pelmix-cli COMMAND --help" shows a command's.
  --version   Show the version.
)";

using Runner = int (*)(const QStringList &);

Runner runnerFor(const QString &command)
{
    if (command == u"measure")
        return runMeasure;
    if (command == u"analyze")
        return runAnalyze;
    if (command == u"ports")
        return runPorts;
    if (command == u"serve")
        return runServe;
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    // A closed pipe is a failed write to report, never the end of the program.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pelmix-cli"));
    QCoreApplication::setOrganizationName(QStringLiteral("Pelmix"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(pelmix::Version));

    QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        console::note(Help);
        return ExitStatus::Usage;
    }
    const QString first = arguments.at(1);
    if (first == u"--help" || first == u"-h") {
        writeAll(STDOUT_FILENO, Help);
        return ExitStatus::Ok;
    }
    if (first == u"--version") {
        writeAll(STDOUT_FILENO, QByteArray(ProgramName) + ' ' + pelmix::Version + '\n');
        return ExitStatus::Ok;
    }
    const Runner run = runnerFor(first);
    if (!run)
        return reportUsage(QStringLiteral("unknown command '%1'").arg(first));
    // The command's own parser sees the program's name, then the command's arguments.
    arguments.removeAt(1);
    return run(arguments);
}
