// The metrics of `pelmix-cli serve`, as Prometheus meets them: how long a scrape of
// /metrics takes while the counter measures, how long the serve process' event loop is
// busy writing the exposition (the most a scrape can delay a measurement), and how much
// memory a serve process holds after 10,000 readings against a fresh one, and after
// 10,000 more (which should add nothing).
//
// serve runs as its own process on the simulated counter; its readings are counts (no
// reset pause before them) so that 10,000 take seconds.

#include "BenchCommon.h"

#include "measure/Result.h"
#include "metrics/Exporter.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpSocket>

#include <cstdio>
#include <vector>

using namespace pelmix;

namespace {

constexpr int Patience = 60000;
constexpr int Scrapes = 300;
constexpr int Readings = 10000;
constexpr int PerRead = 1000; // the most one READ? takes

struct Address
{
    QString host;
    quint16 port = 0;
};

Address addressAfter(QProcess &process, const QByteArray &prefix)
{
    if (!process.canReadLine())
        process.waitForReadyRead(Patience);
    const QByteArray line = process.readLine().trimmed();
    if (!line.startsWith(prefix))
        return {};
    const QString text = QString::fromUtf8(line.mid(prefix.size()));
    return {text.section(u':', 0, -2), text.section(u':', -1).toUShort()};
}

// One GET /metrics; the body, empty on failure.
QByteArray scrape(const Address &metrics)
{
    QTcpSocket socket;
    socket.connectToHost(metrics.host, metrics.port);
    if (!socket.waitForConnected(Patience))
        return {};
    socket.write("GET /metrics HTTP/1.1\r\nHost: bench\r\n\r\n");
    QByteArray reply;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(Patience))
        reply += socket.readAll();
    reply += socket.readAll();
    const qsizetype body = reply.indexOf("\r\n\r\n");
    return body < 0 ? QByteArray() : reply.mid(body + 4);
}

double sampleOf(const QByteArray &exposition, const QByteArray &series)
{
    for (const QByteArray &line : exposition.split('\n')) {
        if (line.startsWith(series))
            return line.mid(line.lastIndexOf(' ') + 1).toDouble();
    }
    return -1;
}

double residentMb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return -1;
}

// The time the exposition of a session with a value in every mode takes to write, in
// the process itself: what a scrape costs the event loop the measurements run on.
double expositionMicroseconds()
{
    metrics::Exporter exporter(QStringLiteral("Simulated counter"), QStringLiteral("Com2"));
    for (const ModeInfo &info : modes()) {
        for (int i = 0; i < 100; ++i) {
            measure::Result result;
            result.setup.mode = info.mode;
            result.status = i % 10 ? Status::Ok : Status::Timeout;
            result.value = 12345.678 + i;
            result.duration = 0.1;
            exporter.record(result);
        }
    }
    std::vector<double> times;
    for (int i = 0; i < Scrapes; ++i) {
        QElapsedTimer timer;
        timer.start();
        const std::string text = exporter.exposition();
        times.push_back(double(timer.nsecsElapsed()) / 1e3 + double(text.empty()));
    }
    return bench::median(times);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QProcess serve;
    serve.start(QStringLiteral(PELMIX_CLI_PATH),
                {u"serve"_qs, u"--simulate"_qs, u"--listen"_qs, u"127.0.0.1:0"_qs, u"--metrics"_qs,
                 u"127.0.0.1:0"_qs});
    if (!serve.waitForStarted(Patience)) {
        std::fprintf(stderr, "bench_metrics: cannot start %s\n", PELMIX_CLI_PATH);
        return 1;
    }
    const Address scpiAddress = addressAfter(serve, "Listening on ");
    const Address metrics = addressAfter(serve, "Metrics on ");
    QTcpSocket scpi;
    scpi.connectToHost(scpiAddress.host, scpiAddress.port);
    if (metrics.port == 0 || !scpi.waitForConnected(Patience)) {
        std::fprintf(stderr, "bench_metrics: serve did not listen\n");
        return 1;
    }

    bench::heading("Memory of serve, 10,000 readings");
    scrape(metrics);
    const double fresh = residentMb(serve.processId());
    scpi.write("CONF:TOT;:SAMP:COUN " + QByteArray::number(PerRead) + "\n");
    QByteArray after;
    std::vector<double> loaded;
    for (int round = 1; round <= 2; ++round) {
        for (int done = 0; done < Readings; done += PerRead) {
            scpi.write("READ?\n");
            while (!scpi.canReadLine() && scpi.waitForReadyRead(Patience)) {
            }
            scpi.readLine();
        }
        after = scrape(metrics);
        const double counted = sampleOf(after, "pelmix_readings_total{");
        if (counted != round * Readings) {
            std::fprintf(stderr, "bench_metrics: serve counted %g readings, not %d\n", counted,
                         round * Readings);
            return 1;
        }
        loaded.push_back(residentMb(serve.processId()));
    }
    bench::figure("metrics.rss.fresh", "resident memory, fresh serve", fresh, "MB", std::nan(""),
                  "", bench::Goal::none());
    bench::figure("metrics.rss.10k", "resident memory after 10,000 readings", loaded[0], "MB",
                  fresh, "fresh serve", bench::Goal::valueBelow(fresh + 5));
    bench::figure("metrics.rss.20k", "resident memory after 20,000 readings", loaded[1], "MB",
                  loaded[0], "after 10,000", bench::Goal::ratioAtMost(1.02));

    bench::heading("Scrape of /metrics");
    std::vector<double> idle;
    for (int i = 0; i < Scrapes; ++i) {
        QElapsedTimer timer;
        timer.start();
        scrape(metrics);
        idle.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    // Enough queued measuring to outlast the scrapes.
    for (int i = 0; i < 30; ++i)
        scpi.write("READ?\n");
    scpi.flush();
    std::vector<double> busy;
    const double before = sampleOf(scrape(metrics), "pelmix_readings_total{");
    for (int i = 0; i < Scrapes; ++i) {
        QElapsedTimer timer;
        timer.start();
        scrape(metrics);
        busy.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    const double measured = sampleOf(scrape(metrics), "pelmix_readings_total{") - before;
    bench::figure("metrics.scrape.measuring", "scrape while measuring, median", bench::median(busy),
                  "ms", bench::median(idle), "scrape while idle, median",
                  bench::Goal::valueBelow(10));
    bench::figure("metrics.scrape.measuring.p99", "scrape while measuring, p99",
                  bench::percentile(busy, 99), "ms", bench::percentile(idle, 99),
                  "scrape while idle, p99", bench::Goal::valueBelow(50));
    bench::figure("metrics.exposition", "exposition written, in process", expositionMicroseconds(),
                  "us", std::nan(""), "", bench::Goal::valueBelow(1000));
    std::printf("  %.0f readings taken during the %d scrapes; exposition %lld bytes\n", measured,
                Scrapes, static_cast<long long>(after.size()));

    scpi.abort();
    serve.terminate();
    serve.waitForFinished(Patience);
    return 0;
}
