#pragma once

#include "metrics/Exporter.h"
#include "metrics/HttpEndpoint.h"
#include "remote/Server.h"

#include <QCommandLineOption>

#include <optional>

class QCommandLineParser;

namespace pelmix::measure {
class Session;
}

namespace pelmix::cli {

// --metrics ADDRESS:PORT, as measure and serve take it.
class MetricsOption
{
public:
    MetricsOption();

    void addTo(QCommandLineParser &parser) const;
    // Nothing when not asked for. Throws UsageError.
    std::optional<remote::Endpoint> read(const QCommandLineParser &parser) const;

private:
    QCommandLineOption m_option;
};

// A session's metrics, served for Prometheus at /metrics.
class MetricsService
{
public:
    // `counter` names the counter in every series, beside its port.
    MetricsService(measure::Session &session, const QString &counter);

    // Returns the message to show when it cannot listen.
    std::optional<QString> listen(const remote::Endpoint &endpoint);
    // "Metrics on ADDRESS:PORT", where it listens.
    QString announcement() const;
    metrics::Exporter &exporter() { return m_exporter; }

private:
    metrics::Exporter m_exporter;
    metrics::HttpEndpoint m_http;
};

} // namespace pelmix::cli
