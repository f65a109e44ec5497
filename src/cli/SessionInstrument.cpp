#include "SessionInstrument.h"

#include "device/Wake.h"
#include "measure/Panel.h"
#include "measure/Session.h"

#include <QScopeGuard>

#include <optional>

namespace pelmix::cli {

namespace {

device::Mode modeOf(remote::Function function)
{
    switch (function) {
    case remote::Function::Frequency:
        return device::Mode::Frequency;
    case remote::Function::Period:
        return device::Mode::Period;
    case remote::Function::Interval:
        return device::Mode::Interval;
    case remote::Function::Totalize:
        break;
    }
    return device::Mode::Count;
}

measure::InputValues inputOf(const remote::Configuration &configuration)
{
    measure::InputValues values;
    values.mode = modeOf(configuration.function);
    values.input = configuration.analog ? device::Input::Analog : device::Input::Digital;
    values.edge = configuration.fallingEdge ? device::Edge::Falling : device::Edge::Rising;
    values.filter = configuration.filter;
    values.level = configuration.level;
    values.position = configuration.gate;
    return values;
}

remote::Measurement measurementOf(const measure::Result &result)
{
    if (result.hasValue())
        return {true, result.value, {}};
    if (!result.dataRequested) {
        return {false, 0,
                result.status == measure::Status::Timeout
                    ? QStringLiteral("no reply to the status query")
                    : QStringLiteral("unreadable reply to the status query")};
    }
    return {false, 0, measure::statusName(result.status)};
}

} // namespace

SessionInstrument::SessionInstrument(measure::Session &session, measure::ValuePanel &panel,
                                     QString model, QString version, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_panel(panel)
    , m_model(std::move(model))
    , m_version(std::move(version))
{
}

QString SessionInstrument::port() const
{
    return m_session.link().portLabel();
}

QCoro::Task<remote::Measurement> SessionInstrument::measure(remote::Configuration configuration)
{
    measure::Meter &meter = m_session.meter();
    std::optional<remote::Measurement> outcome;
    // Connected before the waits below, so the outcome is there when they resume.
    const QMetaObject::Connection measured =
        connect(&meter, &measure::Meter::measured, this, [&outcome](const measure::Result &r) {
            if (!outcome)
                outcome = measurementOf(r);
        });
    const QMetaObject::Connection failed =
        connect(&meter, &measure::Meter::portFailed, this, [&outcome](const QString &message) {
            if (!outcome)
                outcome = remote::Measurement{false, 0, message};
        });
    const auto disconnect = qScopeGuard([&] {
        QObject::disconnect(measured);
        QObject::disconnect(failed);
    });

    m_panel.values = inputOf(configuration);
    meter.measureOnce();
    while (!outcome) {
        device::Wake wake(m_session.shutdown());
        wake.on(&meter, &measure::Meter::measured);
        wake.on(&meter, &measure::Meter::portFailed);
        if (co_await wake == device::Wake::Reason::Shutdown)
            co_return remote::Measurement{false, 0, QStringLiteral("the program is ending")};
    }
    co_return *outcome;
}

} // namespace pelmix::cli
