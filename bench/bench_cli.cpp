// `pelmix-cli measure --count 100` at the 1 ms measuring time against the simulated
// counter paced at 9600 baud: the wall time of one measurement against the least the line
// and the upload's fixed pause allow. Nothing waits on a display here.

#include "BenchCommon.h"

#include "sim/CounterModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>

using namespace pelmix;

namespace {

constexpr int Count = 100;
// 10 bits a character (start, 8 data, stop) at 9600 baud.
constexpr double CharactersPerSecond = 960.0;
// The pause after the reset pulse of every upload but counting's.
constexpr double ResetPauseS = 0.1;
// The measuring time at position 0.
constexpr double MeasuringTimeS = 0.001;

// The least one frequency measurement at position 0 takes: each reply on the line, the
// reset pause and the measuring time. The pseudo-terminal paces only the counter's side;
// the program's one-character commands go out at once.
double floorSeconds()
{
    sim::CounterModel model;
    double characters = 0;
    for (const char command : QByteArray("wFKBjD"))
        characters += double(model.respond(command).bytes.size());
    return characters / CharactersPerSecond + ResetPauseS + MeasuringTimeS;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QProcess sim;
    sim.start(QStringLiteral(PELMIX_SIM_PATH), {QStringLiteral("--line-rate")});
    if (!sim.waitForStarted() || !sim.waitForReadyRead(10000)) {
        std::fprintf(stderr, "bench_cli: pelmix-sim did not start\n");
        return 1;
    }
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();

    QProcess cli;
    cli.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    cli.start(QStringLiteral(PELMIX_CLI_PATH),
              {QStringLiteral("measure"), QStringLiteral("--port"), device,
               QStringLiteral("--count"), QString::number(Count), QStringLiteral("--position"),
               QStringLiteral("0")});
    const bool finished = cli.waitForFinished(600000);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    sim.terminate();
    sim.waitForFinished();
    if (!finished || cli.exitCode() != 0) {
        std::fprintf(stderr, "bench_cli: pelmix-cli measure failed: %s\n",
                     cli.readAllStandardError().constData());
        return 1;
    }

    bench::heading("pelmix-cli measure --count 100, frequency at 1 ms, 9600 baud");
    bench::figure("cli.measurement", "time per measurement (program start included)",
                  seconds / Count * 1000, "ms", floorSeconds() * 1000, "line and upload floor",
                  bench::Goal::ratioAtMost(1.5));
    return 0;
}
