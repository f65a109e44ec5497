#pragma once

#include "CounterOptions.h"
#include "MeasureRun.h"
#include "MetricsService.h"

#include "core/Setup.h"

#include <QCommandLineOption>

namespace pelmix::cli {

struct MeasureSettings
{
    CounterChoice counter;
    Setup setup; // what the front panel sets
    MeasureRun::Plan plan;
    QString output;                          // empty: standard output
    std::optional<remote::Endpoint> metrics; // where to serve them, if anywhere
};

// The options of `measure`: everything the front panel sets, how long to measure, and
// where the readings go.
class MeasureOptions
{
public:
    MeasureOptions();

    void addTo(QCommandLineParser &parser) const;
    // Throws UsageError.
    MeasureSettings read(const QCommandLineParser &parser) const;

private:
    CounterOptions m_counter;
    QCommandLineOption m_mode;
    QCommandLineOption m_input;
    QCommandLineOption m_level;
    QCommandLineOption m_edge;
    QCommandLineOption m_filter;
    QCommandLineOption m_position;
    QCommandLineOption m_count;
    QCommandLineOption m_duration;
    QCommandLineOption m_pause;
    QCommandLineOption m_format;
    QCommandLineOption m_output;
    QCommandLineOption m_stats;
    MetricsOption m_metrics;
};

} // namespace pelmix::cli
