#pragma once

// What every benchmark shares: the offscreen start, running a coroutine to its end,
// process clocks, order statistics, and the figure lines that bench/run.sh gathers.

#include "sim/PtyServer.h"
#include "tests/common/RunTask.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <time.h>
#include <type_traits>
#include <vector>

namespace pelmix::bench {

using SteadyClock = std::chrono::steady_clock;

inline double msBetween(SteadyClock::time_point from, SteadyClock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The handler that was in place before quietOffscreenNotes().
inline QtMessageHandler previousMessageHandler = nullptr;

// The offscreen platform says at every show that it ignores size hints: nothing about the
// program. Every other message passes on.
inline void quietOffscreenNotes()
{
    previousMessageHandler = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (text.contains(QLatin1String("does not support propagateSizeHints")))
                return;
            if (previousMessageHandler)
                previousMessageHandler(type, context, text);
            else
                std::fprintf(stderr, "%s\n", qPrintable(text));
        });
}

// Before the application object exists: no display is needed, and the window's stored
// position and port go to a throw-away settings folder, never the user's own.
inline std::unique_ptr<QTemporaryDir> prepareEnvironment()
{
    quietOffscreenNotes();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    auto config =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/pelmix-bench-XXXXXX"));
    if (config->isValid()) {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config->path()));
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(config->path()));
    }
    return config;
}

using test::run;

// Starts the simulated counter; says why when it cannot.
inline bool startCounter(sim::PtyServer &server, const char *who)
{
    if (auto error = server.start()) {
        std::fprintf(stderr, "%s: cannot start the simulated counter: %s\n", who,
                     qPrintable(*error));
        return false;
    }
    return true;
}

// Processor time of the whole process, every thread, in milliseconds.
inline double processCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// A "VmRSS:"-style field of /proc/self/status, in kB; -1 when absent.
inline long procStatusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Nearest-rank percentile (p in 0..100) of a copy of the values.
inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    const auto rank = std::size_t(std::ceil(p / 100.0 * double(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

inline double mean(const std::vector<double> &values)
{
    double sum = 0;
    for (double v : values)
        sum += v;
    return values.empty() ? std::nan("") : sum / double(values.size());
}

// What a figure is held to: its value or its ratio to the reference, below (or at most)
// a bound. `None` prints the figure without a verdict.
struct Goal
{
    enum class On { None, Value, Ratio } on = On::None;
    bool inclusive = false;
    double bound = 0;

    static Goal none() { return {}; }
    static Goal valueBelow(double b) { return {On::Value, false, b}; }
    static Goal ratioAtMost(double b) { return {On::Ratio, true, b}; }

    std::string text(const char *unit) const
    {
        char buffer[96];
        switch (on) {
        case On::None:
            return "-";
        case On::Value:
            std::snprintf(buffer, sizeof buffer, "value %s %g %s", inclusive ? "<=" : "<", bound,
                          unit);
            return buffer;
        case On::Ratio:
            std::snprintf(buffer, sizeof buffer, "ratio %s %g", inclusive ? "<=" : "<", bound);
            return buffer;
        }
        return "-";
    }
    bool met(double value, double ratio) const
    {
        const double x = on == On::Value ? value : ratio;
        return inclusive ? x <= bound : x < bound;
    }
};

// Prints one figure for a person, then one tab-separated line for bench/run.sh:
//   FIGURE  id  value  unit  reference|-  reference-label  goal-kind  goal-op  bound  label
// A reference of NaN means none.
inline void figure(const char *id, const char *label, double value, const char *unit,
                   double reference, const char *referenceLabel, Goal goal)
{
    const bool hasReference = !std::isnan(reference);
    const double ratio = hasReference && reference != 0 ? value / reference : std::nan("");
    std::printf("  %-44s %12.4f %s\n", label, value, unit);
    if (hasReference)
        std::printf("  %-44s %12.4f %s   ratio %.4f\n", referenceLabel, reference, unit, ratio);
    if (goal.on != Goal::On::None)
        std::printf("  %-44s %s -> %s\n", "target", goal.text(unit).c_str(),
                    goal.met(value, ratio) ? "MET" : "MISSED");
    const char *kind = goal.on == Goal::On::Value   ? "value"
                       : goal.on == Goal::On::Ratio ? "ratio"
                                                    : "none";
    std::printf("FIGURE\t%s\t%.6g\t%s\t", id, value, unit);
    if (hasReference)
        std::printf("%.6g", reference);
    else
        std::printf("-");
    std::printf("\t%s\t%s\t%s\t%g\t%s\n", hasReference ? referenceLabel : "-", kind,
                goal.inclusive ? "<=" : "<", goal.bound, label);
    std::fflush(stdout);
}

inline void heading(const char *text)
{
    std::printf("\n%s\n", text);
    std::fflush(stdout);
}

inline void note(const char *text)
{
    std::printf("  note: %s\n", text);
    std::fflush(stdout);
}

} // namespace pelmix::bench
