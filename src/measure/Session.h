#pragma once

#include "Meter.h"

#include "device/Link.h"
#include "device/Shutdown.h"

#include <QCoroTask>
#include <QObject>

#include <optional>

namespace pelmix::measure {

class Reporter;

// One measuring session: the port's life (open, reopen after a loss, release), the line
// to the counter and the meter. The window, the command line and the SCPI server each
// drive one; results come out of meter()'s signals, replies out of link()'s.
class Session : public QObject
{
    Q_OBJECT
public:
    explicit Session(Reporter &reporter, QObject *parent = nullptr);
    ~Session() override;

    device::Link &link() { return m_link; }
    Meter &meter() { return m_meter; }
    device::Shutdown &shutdown() { return m_shutdown; }

    // Opens (or reopens) the port for ComN on `device`. Returns the message to show when
    // that fails, naming the port, the device and the reason.
    std::optional<QString> openPort(int portNumber, const QString &device);
    // Keeps a port that is open on `device`; otherwise opens it, but never under a
    // measurement: a change waits until the measurement under way has ended.
    QCoro::Task<std::optional<QString>> usePort(int portNumber, QString device);
    // Closes the port. Returns the message to show when that fails.
    std::optional<QString> releasePort() { return m_link.release(); }

    // Ends every wait at once; nothing more is sent, and the port is released.
    void shutDown();

signals:
    void pendingPortApplied();

private:
    void applyPendingPort();

    struct PortChoice
    {
        int number = 0;
        QString device;
    };

    device::Shutdown m_shutdown;
    device::Link m_link{m_shutdown};
    Meter m_meter;
    std::optional<PortChoice> m_pendingPort;
    std::optional<QString> m_pendingFailure;
};

} // namespace pelmix::measure
