#pragma once

#include "Clock.h"
#include "Reply.h"
#include "Trace.h"

#include <QCoroTask>
#include <QObject>
#include <QSerialPort>

#include <optional>

namespace pelmix::device {

class Shutdown;

// The line to the counter: the serial port's life, the request/response exchange with
// its time-out and progress, and the pause. Every reply is also reported by a signal, for
// the trace.
//
// One exchange at a time: a second exchange waits until the first has returned.
class Link : public QObject
{
    Q_OBJECT
public:
    // A reply that never ends is cut here; the counter's replies are a dozen characters.
    static constexpr qsizetype MaxReply = 4096;

    explicit Link(Shutdown &shutdown, QObject *parent = nullptr);
    ~Link() override;

    // Opens (or reopens) the port for ComN at `systemName`, 9600 baud, 8N1. Returns the
    // message to show when that fails, naming the port, the device and the reason.
    std::optional<QString> setUp(int portNumber, const QString &systemName);
    // Closes the port. Returns the message to show when that fails.
    std::optional<QString> release();
    bool isOpen() const { return m_port.isOpen(); }
    // "Com2 (/dev/ttyS1)"; a port opened by its path alone (number 0): "/dev/ttyUSB0".
    QString portLabel() const;
    // Open on `systemName`, and not lost since.
    bool isOpenOn(const QString &systemName) const;
    // Names the port ComN in messages from now on, where N changed but the device did not.
    void renumber(int portNumber) { m_portNumber = portNumber; }

    // Drops and raises DTR. A port without modem lines (a pseudo-terminal) has no DTR:
    // that is not a failure.
    void pulseDtr();

    // Writes the command, then collects the reply until a carriage return arrives or
    // `timeout` seconds have passed. On time-out the text so far comes back, without
    // an error. Throws PortFailure when the port fails and Cancelled on shutdown.
    QCoro::Task<Reply> exchange(QString command, float timeout);
    // Pauses `sec` seconds while the event loop runs. 0 or less returns at once.
    QCoro::Task<> pause(float sec);

    // Elapsed percentage of the waiting exchange's time-out; 0 when none waits.
    qint16 progress() const;
    void setProgress(qint16 value) { m_progress = value; }

    // The next exchange or pause throws Stopped instead of starting, once; an exchange
    // under way runs to its end. Cleared by clearStop().
    void stopBeforeNext() { m_stopRequested = true; }
    void clearStop() { m_stopRequested = false; }

    bool isExchanging() const { return m_exchanging; }
    Shutdown &shutdown() const { return m_shutdown; }
    QSerialPort &serialPort() { return m_port; }

signals:
    // The port failed or was closed while open; `description` names the failure.
    void portLost(const QString &description);
    // Every reply, filtered, as it ends an exchange.
    void replyReceived(const pelmix::device::FilteredReply &reply);
    void exchangeFinished();

private:
    void onError(QSerialPort::SerialPortError error);
    QString describe(const QString &reason) const;
    QString openFailure() const;
    bool hungUp();
    QCoro::Task<> waitForTurn();
    void throwIfStopped();
    void write(const QString &command);
    std::optional<QString> open();

    Shutdown &m_shutdown;
    QSerialPort m_port;
    int m_portNumber = 0;
    QString m_systemName;
    QString m_lostReason;
    bool m_lost = false;
    bool m_exchanging = false;
    bool m_stopRequested = false;
    Clock::time_point m_exchangeStart;
    Clock::time_point m_pauseStart;
    float m_timeout = 0;
    qint16 m_progress = 0;
};

} // namespace pelmix::device
