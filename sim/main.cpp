// pelmix-sim: the simulated counter on a pseudo-terminal.

#include "CounterModel.h"
#include "PtyServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

const char *const Description = R"(The simulated Pelmix counter on a pseudo-terminal.

Prints the device path as its first line; point Pelmix's port at it.

Status line, the answer to "w" and to every settings command (positions from 1):
  1  mode letter as last set: F f T t I i P p (upper case: digital input)
  2  edge: K rising, k falling
  3  measuring-time (multiplier) position 0-4; "C" advances it, 4 wraps to 0
  4  filter: B off, b on
  5  calibration: J on, j off
  6  ':'
  7  level position 0-7; "+" advances it, 7 wraps to 0
  then a carriage return.                          Example: FK0Bj:0<CR>
Commands: w status; F f T t I i P p mode and input; K k edge; B b filter;
J j calibration; + level step; C time step; D data.
"D" answers the mode letter, the count in upper-case hexadecimal (8 digits in
frequency mode and calibration, 12 in the others) and a carriage return.
Frequency: count = frequency x measuring time (10^position ms), answered after
the measuring time. Calibration counts the reference instead. Period: count =
period in us x 10^(position+1). Interval: count = interval in us x 10.
Counting: pulses at the set rate since the counter entered counting mode.
Any other command is answered "?<CR>" and changes nothing.

Faults (--fault, repeatable): silent, slow[=MS] (default 300 ms), split (a byte
every 2 ms), no-cr, garbage (NUL, LF, BS, 0xFF, random bytes in replies),
short-status (3 characters), stuck-level, stuck-time, flood ("D" answered with
1 MiB and no carriage return), hang-up-after=N (answers N commands, then
hangs up when the next arrives), random=P (each reply, with probability P,
silent, 300 ms late, split, without its carriage return or with garbage).)";

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pelmix-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(Description));
    parser.addHelpOption();
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Make a symbolic link PATH to the device."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral(
            "Write a line per received command to FILE: seconds since start and the character."),
        QStringLiteral("FILE"));
    const QCommandLineOption timeScale(QStringLiteral("time-scale"),
                                       QStringLiteral("Multiply measuring times by F (default 1)."),
                                       QStringLiteral("F"), QStringLiteral("1"));
    const QCommandLineOption lineRate(
        QStringLiteral("line-rate"),
        QStringLiteral("Pace output at 9600 baud (about 1.04 ms a character)."));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("Misbehave as NAME (see above)."),
                                   QStringLiteral("NAME"));
    const QCommandLineOption frequency(QStringLiteral("frequency"),
                                       QStringLiteral("Input frequency in Hz (default 12345.678)."),
                                       QStringLiteral("HZ"));
    const QCommandLineOption period(
        QStringLiteral("period"),
        QStringLiteral("Input period in microseconds (default: that of the frequency)."),
        QStringLiteral("US"));
    const QCommandLineOption interval(
        QStringLiteral("interval"), QStringLiteral("Time interval in microseconds (default 250)."),
        QStringLiteral("US"));
    const QCommandLineOption rate(
        QStringLiteral("rate"),
        QStringLiteral("Pulse rate in counting mode, per second (default 1000)."),
        QStringLiteral("HZ"));
    const QCommandLineOption noise(QStringLiteral("noise"),
                                   QStringLiteral("Relative noise of every reading (default 0)."),
                                   QStringLiteral("SIGMA"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed of the noise and the garbage (default 1)."),
                                  QStringLiteral("N"));
    parser.addOptions(
        {link, record, timeScale, lineRate, fault, frequency, period, interval, rate, noise, seed});
    parser.process(app);

    auto fail = [](const QString &message) {
        std::fprintf(stderr, "pelmix-sim: %s\n", qPrintable(message));
        return 2;
    };
    auto number = [&parser](const QCommandLineOption &option, double fallback, bool &ok) {
        if (!parser.isSet(option))
            return fallback;
        bool converted = false;
        const double value = parser.value(option).toDouble(&converted);
        ok = ok && converted;
        return value;
    };

    bool ok = true;
    pelmix::sim::Signal signal;
    signal.frequencyHz = number(frequency, signal.frequencyHz, ok);
    signal.periodUs = number(period, signal.periodUs, ok);
    signal.intervalUs = number(interval, signal.intervalUs, ok);
    signal.pulseRateHz = number(rate, signal.pulseRateHz, ok);
    signal.noise = number(noise, signal.noise, ok);
    signal.seed = std::uint32_t(number(seed, signal.seed, ok));
    const double scale = number(timeScale, 1.0, ok);
    if (!ok || signal.frequencyHz <= 0 || scale < 0)
        return fail(QStringLiteral("a numeric option has a bad value"));

    pelmix::sim::Faults faults;
    for (const QString &name : parser.values(fault))
        if (auto error = faults.parse(name))
            return fail(*error);

    pelmix::sim::CounterModel model(signal, faults);
    model.setTimeScale(scale);
    pelmix::sim::PtyServer server(model);
    server.setLineRate(parser.isSet(lineRate));
    server.setKeepRecord(false);
    if (auto error = server.start())
        return fail(*error);
    if (parser.isSet(link))
        if (auto error = server.makeLink(parser.value(link)))
            return fail(*error);
    if (parser.isSet(record))
        if (auto error = server.setRecordFile(parser.value(record)))
            return fail(*error);

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return fail(QStringLiteral("socketpair failed"));
    QSocketNotifier stop(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    std::printf("%s\n", qPrintable(server.devicePath()));
    std::fflush(stdout);
    QObject::connect(&server, &pelmix::sim::PtyServer::hungUp, &app,
                     [] { std::fprintf(stderr, "pelmix-sim: hung up\n"); });
    return app.exec();
}
