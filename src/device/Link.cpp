#include "Link.h"

#include "Shutdown.h"

#include <QCoreApplication>
#include <QFile>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <unistd.h>
#endif

namespace pelmix::device {

namespace {

// Whatever waits in the port's buffer between exchanges is discarded at the next
// command; the cap keeps a babbling device from filling memory meanwhile.
constexpr qint64 ReadBufferSize = 64 * 1024;

// A read error alone is not a lost port: after input is discarded, the port may report
// an empty read as one.
bool losesPort(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::WriteError;
}

} // namespace

Link::Link(Shutdown &shutdown, QObject *parent)
    : QObject(parent)
    , m_shutdown(shutdown)
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
    // A port given as a device path, not as ComN, goes by that path alone.
    if (m_portNumber == 0 && !m_systemName.isEmpty())
        return m_systemName;
    if (m_systemName.isEmpty())
        return QStringLiteral("Com%1").arg(m_portNumber);
    return QStringLiteral("Com%1 (%2)").arg(m_portNumber).arg(m_systemName);
}

bool Link::isOpenOn(const QString &systemName) const
{
    return m_port.isOpen() && !m_lost && !systemName.isEmpty() && m_systemName == systemName;
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
    if (!m_port.open(QIODevice::ReadWrite))
        return describe(openFailure());
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

QString Link::openFailure() const
{
    const QString reason = m_port.errorString();
    switch (m_port.error()) {
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        // Refused although we may read and write the device: another program holds it.
        if (::access(QFile::encodeName(m_systemName).constData(), R_OK | W_OK) == 0)
            return tr("the port is in use by another program (%1)").arg(reason);
#endif
#ifdef Q_OS_LINUX
        return tr("%1\nTo use serial ports, add your user to the \"dialout\" group "
                  "(sudo usermod -aG dialout $USER) and log in again.")
            .arg(reason);
#else
        return reason;
#endif
    case QSerialPort::UnsupportedOperationError:
        return tr("this is not a serial port (%1)").arg(reason);
    default:
        return reason;
    }
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

bool Link::hungUp()
{
#ifdef Q_OS_UNIX
    pollfd line{int(m_port.handle()), POLLIN, 0};
    return ::poll(&line, 1, 0) == 1 && (line.revents & (POLLHUP | POLLERR | POLLNVAL));
#else
    return false;
#endif
}

void Link::onError(QSerialPort::SerialPortError error)
{
    if (!m_port.isOpen())
        return;
    // An empty read is reported as a read error: it means a hang-up only when the line
    // says so.
    if (error == QSerialPort::ReadError && hungUp())
        error = QSerialPort::ResourceError;
    if (!losesPort(error))
        return;
    m_lost = true;
    switch (error) {
    case QSerialPort::ResourceError:
        m_lostReason = describe(tr("the device is gone (unplugged or failed)"));
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
    const double elapsed = std::chrono::duration<double>(Clock::now() - m_exchangeStart).count();
    return roundHalfEven16(elapsed / double(m_timeout) * 100.0);
}

} // namespace pelmix::device
