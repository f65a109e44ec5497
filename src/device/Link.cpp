#include "Link.h"

#include "Shutdown.h"

#include <QCoreApplication>

namespace pelmix::device {

namespace {

// Whatever waits in the port's buffer between exchanges is discarded at the next
// command; the cap keeps a babbling device from filling memory meanwhile.
constexpr qint64 ReadBufferSize = 64 * 1024;

bool losesPort(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        return true;
    default:
        return false;
    }
}

} // namespace

Link::Link(Shutdown &shutdown, TraceBox &trace, QObject *parent)
    : QObject(parent)
    , m_shutdown(shutdown)
    , m_trace(trace)
{
    connect(&m_port, &QSerialPort::errorOccurred, this, &Link::onError);
    connect(&m_port, &QSerialPort::aboutToClose, this, [this] {
        if (!m_lost)
            m_lostReason = describe(tr("the port was closed"));
        emit portLost(m_lostReason);
    });
}

Link::~Link()
{
    // The port's own destructor closes it; no wait may outlive the link.
    disconnect(&m_port, nullptr, this, nullptr);
}

QString Link::portLabel() const
{
    if (m_systemName.isEmpty())
        return QStringLiteral("Com%1").arg(m_portNumber);
    return QStringLiteral("Com%1 (%2)").arg(m_portNumber).arg(m_systemName);
}

QString Link::describe(const QString &reason) const
{
    return QStringLiteral("%1: %2").arg(portLabel(), reason);
}

std::optional<QString> Link::setUp(int portNumber, const QString &systemName)
{
    m_portNumber = portNumber;
    m_systemName = systemName;
    m_lost = false;

    std::optional<QString> failure;
    if (m_port.isOpen()) {
        m_port.clearError();
        m_port.close();
        if (m_port.error() != QSerialPort::NoError)
            failure = describe(m_port.errorString());
    }
    // Reported once, naming the first failure; the open is tried all the same.
    if (auto opened = open(); opened && !failure)
        failure = opened;
    return failure;
}

std::optional<QString> Link::open()
{
    if (m_systemName.isEmpty())
        return describe(tr("no serial port is selected"));

    m_port.clearError();
    m_port.setPortName(m_systemName);
    if (!m_port.open(QIODevice::ReadWrite)) {
        QString reason = m_port.errorString();
#ifdef Q_OS_LINUX
        if (m_port.error() == QSerialPort::PermissionError)
            reason += tr("\nTo use serial ports, add your user to the \"dialout\" group "
                         "(sudo usermod -aG dialout $USER) and log in again.");
#endif
        return describe(reason);
    }
    const bool configured =
        m_port.setBaudRate(QSerialPort::Baud9600) && m_port.setDataBits(QSerialPort::Data8) &&
        m_port.setParity(QSerialPort::NoParity) && m_port.setStopBits(QSerialPort::OneStop) &&
        m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        const QString reason = m_port.errorString();
        m_port.close();
        return describe(reason);
    }
    m_port.setReadBufferSize(ReadBufferSize);
    m_port.clearError();
    return std::nullopt;
}

std::optional<QString> Link::release()
{
    m_lost = false;
    if (!m_port.isOpen())
        return std::nullopt;
    m_port.clearError();
    m_port.close();
    if (m_port.error() != QSerialPort::NoError)
        return describe(m_port.errorString());
    return std::nullopt;
}

void Link::pulseDtr()
{
    if (!m_port.isOpen())
        return;
    if (m_port.setDataTerminalReady(false))
        m_port.setDataTerminalReady(true);
    // A pseudo-terminal refuses modem lines; the next exchange shows whether the port works.
    if (m_port.error() == QSerialPort::UnsupportedOperationError)
        m_port.clearError();
}

void Link::onError(QSerialPort::SerialPortError error)
{
    if (!losesPort(error) || !m_port.isOpen())
        return;
    m_lost = true;
    switch (error) {
    case QSerialPort::ResourceError:
        m_lostReason = describe(tr("the device is gone (unplugged or failed)"));
        break;
    case QSerialPort::ReadError:
        m_lostReason = describe(tr("read error: %1").arg(m_port.errorString()));
        break;
    default:
        m_lostReason = describe(tr("write error: %1").arg(m_port.errorString()));
        break;
    }
    emit portLost(m_lostReason);
    // Close it from the event loop, not inside the port's own notification; the next
    // exchange or activation opens it again.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_lost && m_port.isOpen())
                m_port.close();
        },
        Qt::QueuedConnection);
}

qint16 Link::progress() const
{
    if (!m_exchanging)
        return m_progress;
    if (m_timeout <= 0)
        return 100;
    const double elapsed = std::chrono::duration<double>(Clock::now() - ExchangeStart).count();
    return roundHalfEven16(elapsed / double(m_timeout) * 100.0);
}

} // namespace pelmix::device
