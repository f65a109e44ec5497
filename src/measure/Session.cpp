#include "Session.h"

#include "device/Errors.h"
#include "device/Wake.h"

namespace pelmix::measure {

Session::Session(Reporter &reporter, QObject *parent)
    : QObject(parent)
    , m_meter(m_link, reporter)
{
    // Applied the moment the measurement ends, before a cycle can begin the next one.
    connect(&m_meter, &Meter::measurementFinished, this, &Session::applyPendingPort);
}

Session::~Session()
{
    shutDown();
}

std::optional<QString> Session::openPort(int portNumber, const QString &device)
{
    m_pendingPort.reset();
    return m_link.setUp(portNumber, device);
}

QCoro::Task<std::optional<QString>> Session::usePort(int portNumber, QString device)
{
    if (m_link.isOpenOn(device)) {
        m_pendingPort.reset();
        m_link.renumber(portNumber);
        co_return std::nullopt;
    }
    if (!m_meter.isMeasuring())
        co_return openPort(portNumber, device);

    m_pendingPort = PortChoice{portNumber, device};
    while (m_pendingPort) {
        device::Wake wake(m_shutdown);
        wake.on(this, &Session::pendingPortApplied);
        if (co_await wake == device::Wake::Reason::Shutdown)
            throw device::Cancelled();
    }
    co_return m_pendingFailure;
}

void Session::applyPendingPort()
{
    if (!m_pendingPort)
        return;
    const PortChoice choice = *std::exchange(m_pendingPort, std::nullopt);
    m_pendingFailure = m_link.setUp(choice.number, choice.device);
    emit pendingPortApplied();
}

void Session::shutDown()
{
    m_shutdown.trigger();
    m_link.release();
}

} // namespace pelmix::measure
