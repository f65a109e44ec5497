#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

namespace pelmix::measure {
struct Result;
class Session;
} // namespace pelmix::measure

namespace pelmix::metrics {

// A session's readings and health as Prometheus metrics: readings and gaps counted by mode
// (and reason), the last value with its time, the current series' mean and standard
// deviation, how long measurements take, whether the port is open and how many SCPI
// clients there are.
//
// Everything is kept from the results as they come; a scrape only reads what is kept and
// never asks the counter. Nothing stale passes for current: the last value of a mode goes
// when a measurement in that mode gives none, and every value goes when the port closes.
class Exporter : public QObject
{
    Q_OBJECT
public:
    // `counter` and `port` label every series: which counter, on which port.
    Exporter(const QString &counter, const QString &port, QObject *parent = nullptr);
    ~Exporter() override;

    // Takes the session's results and port losses from now on; the port's state is read at
    // each scrape.
    void follow(measure::Session &session);
    // Read at each scrape; without it there is no client gauge.
    void countClients(std::function<int()> clients);

    void record(const measure::Result &result);
    // The port failed: it counts as closed until a measurement reaches the counter again.
    void portLost();

    // The text exposition format, version 0.0.4.
    std::string exposition();

private:
    struct Metrics;
    std::unique_ptr<Metrics> m;
    std::function<bool()> m_portOpen;
    std::function<int()> m_clients;
    bool m_portLost = false;
};

} // namespace pelmix::metrics
