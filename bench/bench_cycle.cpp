// Cyclical measuring in the main window against the simulated counter paced at 9600
// baud: the wall time of one measurement against the least the line and the program's
// fixed pauses allow, and where any time beyond that goes.

#include "CycleRun.h"

#include <QApplication>
#include <QLineEdit>

#include <cmath>
#include <cstdio>

using namespace pelmix;
using bench::CycleRecord;
using bench::SteadyClock;

namespace {

constexpr int SteadyMeasurements = 50;
// 10 bits a character (start, 8 data, stop) at 9600 baud.
constexpr double CharactersPerSecond = 960.0;
// The fixed pauses of one frequency measurement: after the reset pulse, and the full bar.
constexpr double ResetPauseS = 0.1;
constexpr double FullBarPauseS = 0.1;

struct Step
{
    std::string name;
    std::vector<double> ms;
    double idealMs = 0;
};

// Splits each steady measurement into the program's turns and the counter's replies.
// Empty when the measurements did not all send the same commands.
std::vector<Step> breakdown(const CycleRecord &r, double gateMs)
{
    std::vector<Step> steps;
    std::string pattern;
    for (std::size_t k = 1; k < r.finishes.size(); ++k) {
        const auto &from = r.finishes[k - 1];
        const auto &to = r.finishes[k];
        const std::size_t n = to.commands - from.commands;
        if (n == 0 || to.replies - from.replies != n)
            return {};
        std::string commands;
        for (std::size_t i = 0; i < n; ++i)
            commands += r.commands[from.commands + i].command;
        if (pattern.empty()) {
            pattern = commands;
            steps.push_back({"finish -> next \"w\" received", {}, 1e3 / CharactersPerSecond});
            for (std::size_t i = 0; i < n; ++i) {
                const char c = commands[i];
                const double replyBytes = double(r.replies[from.replies + i].bytes);
                steps.push_back({std::string("\"") + c + "\" received -> reply's last byte",
                                 {},
                                 replyBytes / CharactersPerSecond * 1e3 + (c == 'D' ? gateMs : 0)});
                const bool last = i + 1 == n;
                double pause = 0;
                if (c == 'w')
                    pause = ResetPauseS * 1e3;
                if (last)
                    pause = FullBarPauseS * 1e3;
                steps.push_back({std::string("\"") + c + "\" reply -> " +
                                     (last ? std::string("finish")
                                           : std::string("\"") + commands[i + 1] + "\" received"),
                                 {},
                                 pause + (last ? 0 : 1e3 / CharactersPerSecond)});
            }
        } else if (commands != pattern) {
            return {};
        }
        std::size_t s = 0;
        steps[s++].ms.push_back(bench::msBetween(from.at, r.commands[from.commands].at));
        for (std::size_t i = 0; i < n; ++i) {
            const auto sent = r.commands[from.commands + i].at;
            const auto end = r.replies[from.replies + i].end;
            const auto next = i + 1 < n ? r.commands[from.commands + i + 1].at : to.at;
            steps[s++].ms.push_back(bench::msBetween(sent, end));
            steps[s++].ms.push_back(bench::msBetween(end, next));
        }
    }
    return steps;
}

} // namespace

int main(int argc, char *argv[])
{
    const auto config = bench::prepareEnvironment();
    QApplication app(argc, argv);
    bench::setUpApplication();

    sim::CounterModel model;
    sim::PtyServer server(model);
    if (!bench::startCounter(server, "bench_cycle"))
        return 1;
    server.setLineRate(true);

    ui::MainWindow window(server.devicePath());
    if (!bench::showAndOpen(window)) {
        std::fprintf(stderr, "bench_cycle: the port did not open\n");
        return 1;
    }
    window.session().meter().setCyclePause(0);
    const int position = window.panel().position();
    const double gateMs = std::pow(10.0, position);

    std::printf("bench_cycle: main window (offscreen), simulated counter paced at 9600 baud, "
                "%s mode, Slider2 position %d, level %d, cycle pause 0\n",
                window.panel().mode() == pelmix::Mode::Frequency ? "frequency" : "NOT frequency",
                position, window.panel().level());

    CycleRecord record;
    const int total = SteadyMeasurements + 1;
    if (!bench::measureCyclically(window, server, total, record, 120000)) {
        std::fprintf(stderr, "bench_cycle: only %zu measurements finished\n",
                     record.finishes.size());
        return 1;
    }

    const auto &first = record.finishes.front();
    const auto &last = record.finishes.back();
    const double n = double(record.finishes.size() - 1);
    std::vector<double> intervals;
    for (std::size_t k = 1; k < record.finishes.size(); ++k)
        intervals.push_back(bench::msBetween(record.finishes[k - 1].at, record.finishes[k].at));
    const double measuredMs = bench::msBetween(first.at, last.at) / n;

    // What went over the line per steady measurement, counted from the sim's own record.
    const double commandChars = double(last.commands - first.commands) / n;
    const double replyChars = double(last.sentBytes - first.sentBytes) / n;
    const double replies = double(last.replies - first.replies) / n;
    int dataCommands = 0;
    QByteArray sequence;
    for (std::size_t i = first.commands; i < last.commands; ++i) {
        dataCommands += record.commands[i].command == 'D';
        if (i < first.commands + std::size_t(commandChars))
            sequence += record.commands[i].command;
    }
    const double pausesMs = (ResetPauseS + FullBarPauseS) * 1e3 + gateMs;
    const double floorWith = (commandChars + replyChars) / CharactersPerSecond * 1e3 + pausesMs;
    const double floorWithout = replyChars / CharactersPerSecond * 1e3 + pausesMs;
    // The simulated counter writes each character at the start of its character time, so a
    // reply's last byte appears one character time sooner than a real line delivers it.
    const double floorSim = (replyChars - replies) / CharactersPerSecond * 1e3 + pausesMs;

    std::printf("  %d steady measurements (the first one is skipped), %d \"D\" commands among "
                "them\n",
                int(n), dataCommands);
    std::printf("  per measurement: commands \"%s\" = %.2f characters out, %.2f characters back "
                "in %.2f replies\n",
                sequence.constData(), commandChars, replyChars, replies);
    std::printf("  fixed pauses: %.0f ms after the reset pulse + %.0f ms full bar + %.0f ms "
                "measuring time = %.0f ms\n",
                ResetPauseS * 1e3, FullBarPauseS * 1e3, gateMs, pausesMs);
    std::printf(
        "  last display: \"%s\" \"%s\"\n",
        qPrintable(window.findChild<QLineEdit *>(QStringLiteral("Tablo1"))->text().trimmed()),
        qPrintable(window.findChild<QLineEdit *>(QStringLiteral("Tablo2"))->text().trimmed()));
    std::printf("  wall time per measurement: mean %.3f ms, median %.3f ms, min %.3f ms, max "
                "%.3f ms\n",
                measuredMs, bench::median(intervals), bench::percentile(intervals, 0),
                bench::percentile(intervals, 100));

    bench::heading("floor with the outgoing commands counted (a real line carries both ways)");
    bench::figure("cycle.measurement", "wall time per measurement", measuredMs, "ms", floorWith,
                  "floor, both directions at 9600 baud", bench::Goal::ratioAtMost(1.03));
    bench::heading("floor without the outgoing commands (the pseudo-terminal does not pace them)");
    bench::figure("cycle.measurement.replies-only", "wall time per measurement", measuredMs, "ms",
                  floorWithout, "floor, replies only", bench::Goal::ratioAtMost(1.03));
    bench::heading("what the simulated line itself allows (replies less one character each)");
    bench::figure("cycle.measurement.sim-line", "wall time per measurement", measuredMs, "ms",
                  floorSim, "floor of the simulated line", bench::Goal::none());

    const std::vector<Step> steps = breakdown(record, gateMs);
    if (!steps.empty()) {
        bench::heading("where the time goes (median over the steady measurements)");
        std::printf("  %-40s %10s %10s %10s\n", "step", "median ms", "line ms", "excess ms");
        double sumMedian = 0;
        double sumIdeal = 0;
        for (const Step &step : steps) {
            const double m = bench::median(step.ms);
            sumMedian += m;
            sumIdeal += step.idealMs;
            std::printf("  %-40s %10.3f %10.3f %10.3f\n", step.name.c_str(), m, step.idealMs,
                        m - step.idealMs);
        }
        std::printf("  %-40s %10.3f %10.3f %10.3f\n", "sum", sumMedian, sumIdeal,
                    sumMedian - sumIdeal);
        // The program's own share: its turns beyond the fixed pauses; the rest is the
        // simulated line's pacing, which writes on a millisecond timer.
        double programMs = 0;
        double simMs = 0;
        for (const Step &step : steps) {
            const double m = bench::median(step.ms);
            if (step.name.find("received ->") != std::string::npos)
                simMs += m;
            else
                programMs += m - std::max(0.0, std::round(step.idealMs / 100.0) * 100.0);
        }
        std::printf("  the program's turns beyond the fixed pauses: %.3f ms per measurement "
                    "(%.2f%%)\n",
                    programMs, 100.0 * programMs / measuredMs);
        std::printf("  the simulated replies: %.3f ms, against %.3f ms for their characters "
                    "less one each, plus the measuring time\n",
                    simMs, (replyChars - replies) / CharactersPerSecond * 1e3 + gateMs);
        std::printf("  \"line ms\": a reply takes its characters at 1/960 s each (plus the "
                    "measuring time for \"D\");\n"
                    "  a turn of the program takes the next command's character, plus a fixed "
                    "pause where there is one.\n");
    }
    return 0;
}
