#include "MetricsService.h"

#include "Arguments.h"

#include "measure/Session.h"

#include <QCommandLineParser>

namespace pelmix::cli {

namespace {

QString endpointText(const QHostAddress &address, quint16 port)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? u'[' + address.toString() + u']'
                             : address.toString();
    return host + u':' + QString::number(port);
}

} // namespace

MetricsOption::MetricsOption()
    : m_option(QStringLiteral("metrics"),
               QStringLiteral("Serve the readings' metrics for Prometheus at "
                              "http://ADDRESS:PORT/metrics; a bare PORT listens on the loopback "
                              "address only, port 0 takes a free one."),
               QStringLiteral("ADDRESS:PORT"))
{
}

void MetricsOption::addTo(QCommandLineParser &parser) const
{
    parser.addOption(m_option);
}

std::optional<remote::Endpoint> MetricsOption::read(const QCommandLineParser &parser) const
{
    if (!parser.isSet(m_option))
        return std::nullopt;
    const std::optional<remote::Endpoint> endpoint = remote::parseEndpoint(parser.value(m_option));
    if (!endpoint) {
        throw UsageError{QStringLiteral("--metrics '%1': ADDRESS:PORT, [IPv6]:PORT or PORT")
                             .arg(parser.value(m_option))};
    }
    return endpoint;
}

MetricsService::MetricsService(measure::Session &session, const QString &counter)
    : m_exporter(counter, session.link().portLabel())
    , m_http([this] { return m_exporter.exposition(); })
{
    m_exporter.follow(session);
}

std::optional<QString> MetricsService::listen(const remote::Endpoint &endpoint)
{
    if (m_http.listen(endpoint.address, endpoint.port))
        return std::nullopt;
    return QStringLiteral("cannot serve metrics on %1: %2")
        .arg(endpointText(endpoint.address, endpoint.port), m_http.errorString());
}

QString MetricsService::announcement() const
{
    return u"Metrics on "_qs + endpointText(m_http.address(), m_http.port());
}

} // namespace pelmix::cli
