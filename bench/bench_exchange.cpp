// One exchange with the counter: how soon a complete reply reaches the caller, and
// what a silent counter costs in processor time while the program waits for it. The
// reference is the busy-polling wait an older design used, on the same pseudo-terminal.

#include "BenchCommon.h"

#include "device/Link.h"
#include "device/Shutdown.h"
#include "device/TraceBox.h"
#include "sim/CounterModel.h"
#include "sim/PtyServer.h"

#include <QCoreApplication>
#include <QSerialPort>

#include <cstdio>

using namespace pelmix;
using bench::SteadyClock;

namespace {

constexpr int Exchanges = 1000;
constexpr int WarmUp = 20;
constexpr float SilentWait = 2.0f;

struct Latencies
{
    std::vector<double> ms;
    int incomplete = 0;
};

// The moment the counter wrote the last byte of a reply (the one with the carriage return).
struct ReplyEnd
{
    std::optional<SteadyClock::time_point> at;
    void watch(sim::PtyServer &server)
    {
        QObject::connect(&server, &sim::PtyServer::sentBytes, [this](const QByteArray &bytes) {
            if (bytes.contains('\r'))
                at = SteadyClock::now();
        });
    }
};

QCoro::Task<Latencies> linkLatencies(device::Link &link, ReplyEnd &end, int count)
{
    Latencies result;
    for (int i = 0; i < count; ++i) {
        end.at.reset();
        const QString reply = (co_await link.exchange(QStringLiteral("w"), 1.0f)).text;
        const auto returned = SteadyClock::now();
        if (!end.at || !reply.contains(QLatin1Char('\r'))) {
            ++result.incomplete;
            continue;
        }
        result.ms.push_back(bench::msBetween(*end.at, returned));
    }
    co_return result;
}

// The old way of waiting: spin on the event loop and poll the port until the reply
// ends or the time-out passes. Allowed here as a yardstick, never in the program.
QByteArray busyExchange(QSerialPort &port, const QByteArray &command, double timeoutS)
{
    port.clear(QSerialPort::Input);
    port.write(command);
    port.flush();
    const auto deadline = SteadyClock::now() + std::chrono::duration_cast<SteadyClock::duration>(
                                                   std::chrono::duration<double>(timeoutS));
    QByteArray text;
    for (;;) {
        QCoreApplication::processEvents();
        if (port.bytesAvailable())
            text += port.readAll();
        if (text.contains('\r'))
            break;
        if (SteadyClock::now() > deadline)
            break;
    }
    return text;
}

Latencies busyLatencies(QSerialPort &port, ReplyEnd &end, int count)
{
    Latencies result;
    for (int i = 0; i < count; ++i) {
        end.at.reset();
        const QByteArray reply = busyExchange(port, "w", 1.0);
        const auto returned = SteadyClock::now();
        if (!end.at || !reply.contains('\r')) {
            ++result.incomplete;
            continue;
        }
        result.ms.push_back(bench::msBetween(*end.at, returned));
    }
    return result;
}

void printLatencies(const char *who, const Latencies &l)
{
    std::printf("  %s: %zu exchanges, median %.4f ms, p99 %.4f ms, max %.4f ms, mean %.4f ms", who,
                l.ms.size(), bench::median(l.ms), bench::percentile(l.ms, 99),
                bench::percentile(l.ms, 100), bench::mean(l.ms));
    if (l.incomplete)
        std::printf(", %d without a complete reply", l.incomplete);
    std::printf("\n");
}

} // namespace

int main(int argc, char *argv[])
{
    const auto config = bench::prepareEnvironment();
    QCoreApplication app(argc, argv);

    sim::CounterModel model;
    sim::PtyServer server(model);
    if (!bench::startCounter(server, "bench_exchange"))
        return 1;
    device::Shutdown shutdown;
    device::Link link(shutdown);
    if (auto error = link.setUp(2, server.devicePath())) {
        std::fprintf(stderr, "bench_exchange: %s\n", qPrintable(*error));
        return 1;
    }
    ReplyEnd end;
    end.watch(server);

    std::printf("bench_exchange: device::Link against the in-process simulated counter on %s\n",
                qPrintable(server.devicePath()));
    std::printf("  latency = steady_clock from the counter's write of the reply's last byte\n"
                "  (PtyServer::sentBytes) to the caller resuming after exchange(\"w\", 1.0);\n"
                "  processor time = CLOCK_PROCESS_CPUTIME_ID across a %.0f s wait on a silent "
                "counter.\n",
                double(SilentWait));

    // --- the program's link
    bench::run(linkLatencies(link, end, WarmUp));
    const Latencies ours = bench::run(linkLatencies(link, end, Exchanges));

    model.faults().silent = true;
    const auto wallStart = SteadyClock::now();
    const double cpuStart = bench::processCpuMs();
    const QString silentReply = bench::run(link.exchange(QStringLiteral("w"), SilentWait)).text;
    const double oursCpu = bench::processCpuMs() - cpuStart;
    const double oursWall = bench::msBetween(wallStart, SteadyClock::now());
    model.faults().silent = false;

    // --- the busy-polling reference, alone on the same device
    link.release();
    QSerialPort port;
    port.setPortName(server.devicePath());
    if (!port.open(QIODevice::ReadWrite) || !port.setBaudRate(QSerialPort::Baud9600) ||
        !port.setDataBits(QSerialPort::Data8) || !port.setParity(QSerialPort::NoParity) ||
        !port.setStopBits(QSerialPort::OneStop)) {
        std::fprintf(stderr, "bench_exchange: reference port: %s\n",
                     qPrintable(port.errorString()));
        return 1;
    }
    busyLatencies(port, end, WarmUp);
    const Latencies busy = busyLatencies(port, end, Exchanges);

    model.faults().silent = true;
    const auto busyWallStart = SteadyClock::now();
    const double busyCpuStart = bench::processCpuMs();
    busyExchange(port, "w", double(SilentWait));
    const double busyCpu = bench::processCpuMs() - busyCpuStart;
    const double busyWall = bench::msBetween(busyWallStart, SteadyClock::now());
    port.close();

    bench::heading("(a) reply latency");
    printLatencies("program (Link::exchange)", ours);
    printLatencies("reference busy loop  ", busy);
    bench::figure("exchange.latency.median", "latency median", bench::median(ours.ms), "ms",
                  bench::median(busy.ms), "busy loop median", bench::Goal::valueBelow(1.0));
    bench::figure("exchange.latency.p99", "latency p99", bench::percentile(ours.ms, 99), "ms",
                  bench::percentile(busy.ms, 99), "busy loop p99", bench::Goal::valueBelow(5.0));

    bench::heading("(b) processor time during a silent wait");
    std::printf("  program: %.1f ms CPU over %.1f ms wall (%.3f%% of one core), reply \"%s\"\n",
                oursCpu, oursWall, 100.0 * oursCpu / oursWall, qPrintable(silentReply));
    std::printf("  busy loop: %.1f ms CPU over %.1f ms wall (%.1f%% of one core)\n", busyCpu,
                busyWall, 100.0 * busyCpu / busyWall);
    bench::figure("exchange.silent.cpu", "CPU time, 2 s silent wait", oursCpu, "ms", busyCpu,
                  "busy loop CPU time", bench::Goal::valueBelow(20.0));
    if (ours.incomplete || busy.incomplete)
        bench::note("some exchanges got no complete reply; they are left out of the latencies");
    return 0;
}
