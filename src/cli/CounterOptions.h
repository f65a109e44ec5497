#pragma once

#include "PortChoice.h"

#include <QCommandLineOption>

#include <optional>

class QCommandLineParser;

namespace pelmix::measure {
class Session;
}

namespace pelmix::platform {
class SimulatedCounter;
}

namespace pelmix::cli {

// Which counter to use: a port, or the built-in simulated counter.
struct CounterChoice
{
    PortChoice port;
    bool simulate = false;
    double timeScale = 1; // of the simulated counter's measuring times
};

// The options that choose the counter, as measure and serve take them.
class CounterOptions
{
public:
    CounterOptions();

    void addTo(QCommandLineParser &parser) const;
    // Throws UsageError.
    CounterChoice read(const QCommandLineParser &parser) const;

private:
    QCommandLineOption m_port;
    QCommandLineOption m_simulate;
    QCommandLineOption m_timeScale;
};

// Starts the simulated counter when it is chosen, then opens the session's port. Returns
// the message that names the port, the device and the reason when that fails.
std::optional<QString> openCounter(const CounterChoice &choice,
                                   platform::SimulatedCounter &simulated,
                                   measure::Session &session);

} // namespace pelmix::cli
