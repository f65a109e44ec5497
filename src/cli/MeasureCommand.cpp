#include "MeasureCommand.h"

#include "Arguments.h"
#include "Console.h"
#include "ExitStatus.h"
#include "MeasureOptions.h"
#include "MeasureRun.h"
#include "MetricsService.h"
#include "ReadingSink.h"
#include "StderrReporter.h"
#include "platform/SignalWatch.h"
#include "platform/SimulatedCounter.h"

#include "measure/Session.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace pelmix::cli {

namespace {

const QString Command = QStringLiteral("measure");

const char *const Description =
    "Sets up the counter as the options say and measures once, N times, for a time, or until\n"
    "interrupted, sending the counter exactly what the window's front panel sends for the\n"
    "same settings. Each reading is written as soon as its measurement ends, a whole line at\n"
    "a time; a measurement without a value is written too, with the reason as its status.\n"
    "With --metrics, \"Metrics on ADDRESS:PORT\" on standard error says where they are.\n"
    "\n"
    "The first Ctrl-C (or SIGTERM) ends the run after the measurement under way, which is\n"
    "written, and prints the summary; a second one ends it at once.\n"
    "\n"
    "Exit status: 0 when every measurement gave a value, 1 when some gave none or the\n"
    "output could not be written, 2 for bad usage, 3 when the port cannot be opened or is\n"
    "lost.";

} // namespace

int runMeasure(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(Description));
    const MeasureOptions options;
    options.addTo(parser);
    if (const auto exit =
            parseCommandLine(parser, arguments, Command, QStringLiteral("measure [options]")))
        return *exit;
    MeasureSettings settings;
    try {
        settings = options.read(parser);
    } catch (const UsageError &error) {
        return reportUsage(error.message, Command);
    }

    ReadingSink sink;
    if (const auto failure = sink.open(settings.output, settings.plan.format)) {
        console::error(QStringLiteral("cannot write to %1: %2").arg(settings.output, *failure));
        return ExitStatus::Incomplete;
    }

    // The simulated counter outlives the session that talks to it; the reporter too.
    platform::SimulatedCounter simulated;
    measure::Session *current = nullptr;
    StderrReporter reporter([&current] { return current->link().portLabel(); });
    measure::Session session(reporter);
    current = &session;
    if (const auto failure = openCounter(settings.counter, simulated, session)) {
        console::error(*failure);
        return ExitStatus::PortFailure;
    }

    // Metrics from the first measurement on, for as long as the run lasts.
    std::optional<MetricsService> metrics;
    if (settings.metrics) {
        metrics.emplace(session, settings.counter.simulate ? QStringLiteral("Simulated counter")
                                                           : QStringLiteral("Counter"));
        if (const auto failure = metrics->listen(*settings.metrics)) {
            console::error(*failure);
            return ExitStatus::Incomplete;
        }
        console::note((metrics->announcement() + u'\n').toUtf8());
    }

    MeasureRun run(session, sink, settings.setup, settings.plan);
    platform::SignalWatch signalWatch;
    if (const auto failure = signalWatch.start())
        console::error(QStringLiteral("Ctrl-C will end the program at once: %1").arg(*failure));
    QObject::connect(&signalWatch, &platform::SignalWatch::received, &run, &MeasureRun::interrupt);
    QObject::connect(&run, &MeasureRun::finished, QCoreApplication::instance(),
                     [](int status) { QCoreApplication::exit(status); });
    QMetaObject::invokeMethod(&run, &MeasureRun::start, Qt::QueuedConnection);
    return QCoreApplication::exec();
}

} // namespace pelmix::cli
