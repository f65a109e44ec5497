#include "CounterOptions.h"

#include "Arguments.h"
#include "platform/SimulatedCounter.h"

#include "measure/Session.h"

#include <QCommandLineParser>
#include <QSettings>

namespace pelmix::cli {

CounterOptions::CounterOptions()
    : m_port(QStringLiteral("port"),
             QStringLiteral("The counter's port: ComN (1 to 8) as the settings map it, as in "
                            "the window, or a device such as /dev/ttyUSB0 (default Com%1).")
                 .arg(DefaultPortNumber),
             QStringLiteral("PORT"))
    , m_simulate(QStringLiteral("simulate"),
                 QStringLiteral("Use the built-in simulated counter instead of a port."))
    , m_timeScale(QStringLiteral("time-scale"),
                  QStringLiteral("Multiply the simulated counter's measuring times by F."),
                  QStringLiteral("F"), QStringLiteral("1"))
{
    m_timeScale.setFlags(QCommandLineOption::HiddenFromHelp);
}

void CounterOptions::addTo(QCommandLineParser &parser) const
{
    parser.addOptions({m_port, m_simulate, m_timeScale});
}

CounterChoice CounterOptions::read(const QCommandLineParser &parser) const
{
    CounterChoice choice;
    choice.simulate = parser.isSet(m_simulate);
    if (choice.simulate && parser.isSet(m_port))
        throw UsageError{QStringLiteral("--port and --simulate exclude each other")};
    choice.timeScale = numberIn(QStringLiteral("time-scale"), parser.value(m_timeScale), 0, 1000);
    if (!choice.simulate) {
        const auto settings = windowSettings();
        const QString port = parser.isSet(m_port) ? parser.value(m_port)
                                                  : QStringLiteral("Com%1").arg(DefaultPortNumber);
        choice.port = portChoiceOf(port, *settings);
    }
    return choice;
}

std::optional<QString> openCounter(const CounterChoice &choice,
                                   platform::SimulatedCounter &simulated, measure::Session &session)
{
    PortChoice port = choice.port;
    if (choice.simulate) {
        if (auto failure = simulated.start(choice.timeScale))
            return failure;
        port.device = simulated.devicePath();
    }
    return session.openPort(port.number, port.device);
}

} // namespace pelmix::cli
