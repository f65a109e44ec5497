#include "Exporter.h"

#include "analysis/Statistics.h"
#include "core/Mode.h"
#include "core/Setup.h"
#include "core/Status.h"
#include "measure/Session.h"

#include <prometheus/counter.h>
#include <prometheus/family.h>
#include <prometheus/gauge.h>
#include <prometheus/histogram.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>

#include <cmath>
#include <map>
#include <optional>
#include <vector>

namespace pelmix::metrics {

namespace {

using prometheus::Counter;
using prometheus::Family;
using prometheus::Gauge;
using prometheus::Histogram;

// Measuring times are decades from 1 ms to 10 s; the status query, the settings upload
// and the reset pause add up to a few hundred milliseconds; time-outs reach 20 s.
const Histogram::BucketBoundaries DurationBuckets = {0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1,
                                                     1.5,   2.5,  5,     10,   15,  25,   60};

std::string text(QLatin1StringView view)
{
    return std::string(view.data(), size_t(view.size()));
}

// Prometheus names spell out the base unit; a count has none.
std::string unitSuffix(QLatin1StringView unit)
{
    if (unit == QLatin1StringView("Hz"))
        return "_hertz";
    if (unit == QLatin1StringView("s"))
        return "_seconds";
    return {};
}

prometheus::Labels modeLabel(Mode mode)
{
    return {{"mode", text(modeInfo(mode).name)}};
}

constexpr Status Gaps[] = {Status::Timeout,     Status::Unreadable, Status::Overflow,
                           Status::Unconfirmed, Status::Lost,       Status::Stopped};

} // namespace

struct Exporter::Metrics
{
    explicit Metrics(prometheus::Labels labels)
        : constant(std::move(labels))
    {
    }

    Family<Counter> &counters(const std::string &name, const std::string &help)
    {
        return prometheus::BuildCounter().Name(name).Help(help).Labels(constant).Register(registry);
    }
    Family<Gauge> &gauges(const std::string &name, const std::string &help)
    {
        return prometheus::BuildGauge().Name(name).Help(help).Labels(constant).Register(registry);
    }
    // A family per base unit: `name` with the mode's unit spelled out.
    Family<Gauge> &unitGauges(const std::string &name, Mode mode, const std::string &help)
    {
        const std::string full = name + unitSuffix(modeInfo(mode).unit);
        auto found = byName.find(full);
        if (found == byName.end())
            found = byName.emplace(full, &gauges(full, help)).first;
        return *found->second;
    }

    // A mode's counters and histogram appear, at zero, with its first result.
    void touch(Mode mode)
    {
        const prometheus::Labels labels = modeLabel(mode);
        readings.Add(labels);
        for (const Status status : Gaps) {
            prometheus::Labels reason = labels;
            reason.emplace("reason", text(statusName(status)));
            gaps.Add(reason);
        }
        durations.Add(labels, DurationBuckets);
    }

    // A gauge that goes when what it shows is no longer current.
    struct Shown
    {
        Family<Gauge> *family;
        Gauge *gauge;
        void remove() const { family->Remove(gauge); }
    };
    Shown show(Family<Gauge> &family, Mode mode, double value)
    {
        Gauge &gauge = family.Add(modeLabel(mode));
        gauge.Set(value);
        return {&family, &gauge};
    }

    void endSeries()
    {
        for (const Shown &shown : series)
            shown.remove();
        series.clear();
        statistics.clear();
        seriesSetup.reset();
    }
    void clearValues()
    {
        for (const auto &[mode, shown] : lastValues)
            shown.remove();
        lastValues.clear();
        endSeries();
    }

    prometheus::Registry registry;
    const prometheus::Labels constant;
    std::map<std::string, Family<Gauge> *> byName;
    Family<Counter> &readings =
        counters("pelmix_readings_total", "Measurements that gave a value, by mode.");
    Family<Counter> &gaps = counters(
        "pelmix_gaps_total", "Measurements that gave no value, by mode and the reason why.");
    Family<Histogram> &durations =
        prometheus::BuildHistogram()
            .Name("pelmix_measurement_duration_seconds")
            .Help("How long measurements took, from the status query to the data reply's end.")
            .Labels(constant)
            .Register(registry);
    Family<Gauge> &lastTime =
        gauges("pelmix_last_value_timestamp_seconds",
               "When the reply of the mode's last value ended, UTC, in seconds since the epoch.");
    Family<Gauge> &seriesCount = gauges(
        "pelmix_series_readings", "Readings in the current series (equal settings, in a row).");
    Family<Gauge> *portOpen = nullptr;
    Family<Gauge> *clients = nullptr;

    std::map<Mode, Shown> lastValues;
    std::vector<Shown> series;
    std::optional<Setup> seriesSetup;
    analysis::RunningStatistics statistics;
};

Exporter::Exporter(const QString &counter, const QString &port, QObject *parent)
    : QObject(parent)
    , m(std::make_unique<Metrics>(
          prometheus::Labels{{"counter", counter.toStdString()}, {"port", port.toStdString()}}))
{
}

Exporter::~Exporter() = default;

void Exporter::follow(measure::Session &session)
{
    connect(&session.meter(), &measure::Meter::measured, this, &Exporter::record);
    connect(&session.link(), &device::Link::portLost, this, &Exporter::portLost);
    m->portOpen = &m->gauges("pelmix_port_open", "1 while the counter's port is open, else 0.");
    m_portOpen = [&link = session.link()] { return link.isOpen(); };
}

void Exporter::countClients(std::function<int()> clients)
{
    m->clients = &m->gauges("pelmix_scpi_clients", "SCPI clients connected.");
    m_clients = std::move(clients);
}

void Exporter::record(const measure::Result &result)
{
    const Mode mode = result.setup.mode;
    const prometheus::Labels labels = modeLabel(mode);
    m->touch(mode);
    m->durations.Add(labels, DurationBuckets).Observe(result.duration);
    if (m->seriesSetup && *m->seriesSetup != result.setup)
        m->endSeries();

    if (!result.hasValue() || !std::isfinite(result.value)) {
        prometheus::Labels reason = labels;
        reason.emplace("reason", text(statusName(result.status)));
        m->gaps.Add(reason).Increment();
        if (const auto shown = m->lastValues.find(mode); shown != m->lastValues.end()) {
            shown->second.remove();
            m->lastValues.erase(shown);
        }
        if (result.status == Status::Lost)
            portLost();
        else if (result.status != Status::Stopped)
            m_portLost = false;
        return;
    }

    m_portLost = false;
    m->readings.Add(labels).Increment();
    m->lastValues.insert_or_assign(
        mode, m->show(m->unitGauges("pelmix_last_value", mode,
                                    "The mode's last value, in its base unit; absent when its "
                                    "last measurement gave none or the port is closed."),
                      mode, result.value));
    m->lastTime.Add(labels).Set(double(result.utcMs) / 1000);

    m->seriesSetup = result.setup;
    m->statistics.add(result.value);
    for (const Metrics::Shown &shown : m->series)
        shown.remove();
    m->series = {m->show(m->seriesCount, mode, double(m->statistics.count())),
                 m->show(m->unitGauges("pelmix_series_mean", mode,
                                       "Mean of the current series, in its base unit."),
                         mode, m->statistics.mean())};
    if (m->statistics.count() >= 2) {
        m->series.push_back(
            m->show(m->unitGauges("pelmix_series_stddev", mode,
                                  "Sample standard deviation of the current series, in its base "
                                  "unit."),
                    mode, m->statistics.stddev()));
    }
}

void Exporter::portLost()
{
    m_portLost = true;
    m->clearValues();
}

std::string Exporter::exposition()
{
    if (m_portOpen) {
        // A lost port stays open until it is released or opened again.
        const bool open = m_portOpen() && !m_portLost;
        m->portOpen->Add({}).Set(open ? 1 : 0);
        if (!open)
            m->clearValues();
    }
    if (m_clients)
        m->clients->Add({}).Set(m_clients());
    return prometheus::TextSerializer().Serialize(m->registry.Collect());
}

} // namespace pelmix::metrics
