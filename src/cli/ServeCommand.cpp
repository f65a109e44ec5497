#include "ServeCommand.h"

#include "Arguments.h"
#include "Console.h"
#include "CounterOptions.h"
#include "ExitStatus.h"
#include "MetricsService.h"
#include "SessionInstrument.h"
#include "StderrReporter.h"
#include "platform/SignalWatch.h"
#include "platform/SimulatedCounter.h"

#include "core/Version.h"
#include "measure/Session.h"
#include "remote/Server.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <unistd.h>

#include <utility>

namespace pelmix::cli {

namespace {

const QString Command = QStringLiteral("serve");

const char *const Description =
    "Operates the counter for clients that connect over TCP and send SCPI commands, one\n"
    "program message a line, as instruments serve them on port 5025. The settings are the\n"
    "instrument's, shared by every client; measurements run one at a time, in the order they\n"
    "were asked for, while queries that need no counter are answered at once. Prints\n"
    "\"Listening on ADDRESS:PORT\" once it listens (and \"Metrics on ADDRESS:PORT\" after it\n"
    "with --metrics). SIGINT (Ctrl-C), SIGTERM or SIGHUP ends it: the measurement under way\n"
    "stops at its next exchange with the counter, each waiting query gets its answer, then\n"
    "the clients are closed; a second signal ends it at once.\n"
    "\n"
    "Exit status: 0 when ended by a signal, 1 when it cannot listen, 2 for bad usage, 3 when\n"
    "the port cannot be opened. A port lost while serving fails the measurements (error\n"
    "+301) until the device is back.";

QString hostText(const QHostAddress &address)
{
    return address.protocol() == QAbstractSocket::IPv6Protocol ? u'[' + address.toString() + u']'
                                                               : address.toString();
}

} // namespace

int runServe(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(Description));
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral("Where to listen: ADDRESS:PORT, [IPv6]:PORT or PORT (default "
                       "127.0.0.1:5025). Other machines get in only through an address named "
                       "here; port 0 takes a free one."),
        QStringLiteral("ADDRESS:PORT"), QStringLiteral("127.0.0.1:5025"));
    parser.addOption(listen);
    const remote::ServerLimits defaults;
    const QCommandLineOption maxClients(
        QStringLiteral("max-clients"),
        QStringLiteral("Clients served at once, 1 to 1000 (default %1); one more is told so "
                       "and closed.")
            .arg(defaults.maxClients),
        QStringLiteral("N"), QString::number(defaults.maxClients));
    parser.addOption(maxClients);
    const QCommandLineOption idleTimeout(
        QStringLiteral("idle-timeout"),
        QStringLiteral("Close a client that sends nothing for this long while nothing of its "
                       "own runs: 90s, 10m, 2h (default 5m)."),
        QStringLiteral("TIME"), QStringLiteral("5m"));
    parser.addOption(idleTimeout);
    const CounterOptions counterOptions;
    counterOptions.addTo(parser);
    const MetricsOption metricsOption;
    metricsOption.addTo(parser);
    if (const auto exit =
            parseCommandLine(parser, arguments, Command, QStringLiteral("serve [options]")))
        return *exit;

    CounterChoice counter;
    remote::Endpoint endpoint;
    std::optional<remote::Endpoint> metricsEndpoint;
    remote::ServerLimits limits;
    try {
        if (!parser.positionalArguments().isEmpty()) {
            throw UsageError{QStringLiteral("unexpected argument '%1'")
                                 .arg(parser.positionalArguments().front())};
        }
        counter = counterOptions.read(parser);
        const std::optional<remote::Endpoint> named = remote::parseEndpoint(parser.value(listen));
        if (!named) {
            throw UsageError{QStringLiteral("--listen '%1': ADDRESS:PORT, [IPv6]:PORT or PORT")
                                 .arg(parser.value(listen))};
        }
        endpoint = *named;
        metricsEndpoint = metricsOption.read(parser);
        limits.maxClients =
            integerIn(QStringLiteral("--max-clients"), parser.value(maxClients), 1, 1000);
        limits.idleTimeout =
            durationOf(QStringLiteral("--idle-timeout"), parser.value(idleTimeout));
    } catch (const UsageError &error) {
        return reportUsage(error.message, Command);
    }

    platform::SimulatedCounter simulated;
    measure::Session *current = nullptr;
    StderrReporter reporter([&current] { return current->link().portLabel(); });
    measure::Session session(reporter);
    current = &session;
    if (const auto failure = openCounter(counter, simulated, session)) {
        console::error(*failure);
        return ExitStatus::PortFailure;
    }

    const QString model =
        counter.simulate ? QStringLiteral("Simulated counter") : QStringLiteral("Counter");
    SessionInstrument instrument(session, model, QString::fromLatin1(Version));
    remote::Server server(instrument, limits);
    if (!server.listen(endpoint)) {
        console::error(QStringLiteral("cannot listen on %1:%2: %3")
                           .arg(hostText(endpoint.address))
                           .arg(endpoint.port)
                           .arg(server.errorString()));
        return ExitStatus::Incomplete;
    }
    const remote::Endpoint listening = server.endpoint();
    // Straight to the descriptor, unbuffered, so that a script reading it sees it at once.
    writeAll(STDOUT_FILENO, QStringLiteral("Listening on %1:%2\n")
                                .arg(hostText(listening.address))
                                .arg(listening.port)
                                .toUtf8());

    // The metrics beside the SCPI port, from the first measurement on.
    std::optional<MetricsService> metrics;
    if (metricsEndpoint) {
        metrics.emplace(session, model);
        metrics->exporter().countClients([&server] { return server.clientCount(); });
        if (const auto failure = metrics->listen(*metricsEndpoint)) {
            console::error(*failure);
            return ExitStatus::Incomplete;
        }
        writeAll(STDOUT_FILENO, (metrics->announcement() + u'\n').toUtf8());
    }

    platform::SignalWatch signalWatch;
    if (const auto failure = signalWatch.start())
        console::error(QStringLiteral("Ctrl-C will end the program at once: %1").arg(*failure));
    QObject::connect(&server, &remote::Server::finished, &session, [&session] {
        session.shutDown();
        QCoreApplication::exit(ExitStatus::Ok);
    });
    bool stopping = false;
    QObject::connect(&signalWatch, &platform::SignalWatch::received, &session,
                     [&session, &server, &stopping] {
                         if (!std::exchange(stopping, true)) {
                             server.shutDown();
                             return;
                         }
                         session.shutDown();
                         QCoreApplication::exit(ExitStatus::Ok);
                     });
    return QCoreApplication::exec();
}

} // namespace pelmix::cli
