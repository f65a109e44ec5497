// The analysis of readings at the sizes a long session reaches: appending a reading to the
// store (the series' statistics updated with it), the running statistics alone, the memory
// ten million readings take, copying a series out for analysis, and the frequency stability
// of a million readings: all seven deviations at every octave factor with noise types and
// confidence intervals, beside the time of one pass over the data.
//
// Prints each figure with its target beside it, and a FIGURE line per figure in the form
// bench/run.sh gathers. Never fails because the machine is slow.

#include "analysis/Allan.h"
#include "analysis/ReadingStore.h"
#include "analysis/Stability.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace pelmix;
using namespace pelmix::analysis;

namespace {

using Clock = std::chrono::steady_clock;

constexpr qint64 SessionReadings = 10'000'000;
constexpr qint64 AllanReadings = 1'000'000;
constexpr int AllanRuns = 3;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Resident memory of the process in kB, from /proc/self/status; -1 when unknown.
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// A 10 MHz counter reading with millihertz noise, from a fixed-seed generator.
class Signal
{
public:
    double next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return 1e7 + (double(m_state >> 11) / double(1ULL << 53) - 0.5) * 1e-3;
    }

private:
    quint64 m_state = 12345;
};

// One figure for a person, then the line bench/run.sh reads. A bound of 0 means none.
void figure(const char *id, const char *label, double value, const char *unit, double bound)
{
    std::printf("  %-46s %12.3f %-5s", label, value, unit);
    if (bound > 0)
        std::printf("  target < %g %s: %s", bound, unit, value < bound ? "MET" : "MISSED");
    std::printf("\nFIGURE\t%s\t%.6g\t%s\t-\t-\t%s\t<\t%g\t%s\n", id, value, unit,
                bound > 0 ? "value" : "none", bound, label);
    std::fflush(stdout);
}

void session()
{
    std::printf("\n%lld readings in one series\n", static_cast<long long>(SessionReadings));
    Signal signal;
    const Setup setup{Mode::Frequency, 3, false, 2, false, false};
    const long before = residentKb();
    const auto start = Clock::now();
    {
        ReadingStore store;
        for (qint64 i = 0; i < SessionReadings; ++i) {
            const double elapsed = double(i) * 0.01;
            store.append(setup, {1'700'000'000'000 + i * 10, elapsed, signal.next(), Status::Ok});
        }
        const double appendNs = secondsSince(start) * 1e9 / double(SessionReadings);
        const long after = residentKb();
        figure("analysis.append", "append a reading, statistics updated (mean)", appendNs, "ns",
               1000);
        figure("analysis.memory", "resident memory above the base", double(after - before) / 1024,
               "MB", 400);
        figure("analysis.bytes", "bytes a reading, resident",
               double(after - before) * 1024 / double(SessionReadings), "B", 0);
        figure("analysis.bytes.held", "bytes a reading, held by the store",
               double(store.memoryBytes()) / double(SessionReadings), "B", 32);

        const auto copyStart = Clock::now();
        const std::vector<double> values = store.current()->values();
        const std::vector<double> elapsed = store.current()->elapsed();
        figure("analysis.copy", "copy values and times out of the series",
               secondsSince(copyStart) * 1e3, "ms", 0);
        if (values.size() != std::size_t(SessionReadings) || elapsed.size() != values.size())
            std::printf("  note: the copy has %zu values\n", values.size());
    }
}

void statistics()
{
    std::printf("\nrunning statistics alone\n");
    Signal signal;
    std::vector<double> values(static_cast<std::size_t>(SessionReadings));
    std::generate(values.begin(), values.end(), [&signal] { return signal.next(); });
    RunningStatistics statistics;
    const auto start = Clock::now();
    for (const double value : values)
        statistics.add(value);
    const double ns = secondsSince(start) * 1e9 / double(values.size());
    figure("analysis.statistics", "add a value to the statistics (mean)", ns, "ns", 1000);
    std::printf("  (mean %.6f Hz, standard deviation %.3g Hz)\n", statistics.mean(),
                statistics.stddev());
}

void stability()
{
    std::printf("\nall seven deviations of %lld readings, noise types and intervals\n",
                static_cast<long long>(AllanReadings));
    Signal signal;
    std::vector<double> values(static_cast<std::size_t>(AllanReadings));
    std::generate(values.begin(), values.end(), [&signal] { return signal.next(); });
    const std::vector<qint64> factors = octaveFactors(plotFactorLimit(AllanReadings));

    // The reference: one pass that reads every value, what memory bandwidth allows.
    std::vector<double> passMs;
    double sink = 0;
    for (int run = 0; run < AllanRuns; ++run) {
        const auto start = Clock::now();
        double sum = 0;
        for (const double value : values)
            sum += value;
        sink += sum;
        passMs.push_back(secondsSince(start) * 1e3);
    }
    std::vector<double> ms;
    std::vector<StabilityCurve> curves;
    for (int run = 0; run < AllanRuns; ++run) {
        const auto start = Clock::now();
        const PhaseData data = phaseData(Measured::Frequency, values, 0.01);
        curves = pelmix::analysis::stability(data, AllDeviations, factors);
        ms.push_back(secondsSince(start) * 1e3);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(passMs.begin(), passMs.end());
    char label[96];
    std::snprintf(label, sizeof label, "7 deviations, %zu octave factors (median of %d)",
                  factors.size(), AllanRuns);
    figure("analysis.stability", label, ms[ms.size() / 2], "ms", 1000);
    figure("analysis.pass", "one pass over the values (reference)", passMs[passMs.size() / 2], "ms",
           1000);
    const StabilityPoint &first = curves[1].points.front();
    std::printf("  (m = 1: OADEV %.4g, noise %d, interval %.4g to %.4g; checksum %g)\n",
                first.value, first.alpha.value_or(99), first.low, first.high, sink);
}

} // namespace

int main()
{
    std::printf("bench_analysis: the readings store and its analysis\n");
    // The memory figure first, before anything else has taken memory the store could reuse.
    session();
    statistics();
    stability();
    return 0;
}
