#include "Errors.h"
#include "Link.h"
#include "Shutdown.h"
#include "Wake.h"

#include <QDateTime>

#include <utility>

namespace pelmix::device {

namespace {

// Marks the link busy for one exchange and idle again on every way out.
class ExchangeScope
{
public:
    ExchangeScope(bool &busy, qint16 &progress, Link &link)
        : m_busy(busy)
        , m_progress(progress)
        , m_link(link)
    {
        m_busy = true;
    }
    ~ExchangeScope()
    {
        m_busy = false;
        m_progress = 0;
        emit m_link.exchangeFinished();
    }
    ExchangeScope(const ExchangeScope &) = delete;
    ExchangeScope &operator=(const ExchangeScope &) = delete;

private:
    bool &m_busy;
    qint16 &m_progress;
    Link &m_link;
};

} // namespace

QCoro::Task<> Link::waitForTurn()
{
    while (m_exchanging) {
        Wake wake(m_shutdown);
        wake.on(this, &Link::exchangeFinished);
        if (co_await wake == Wake::Reason::Shutdown)
            throw Cancelled();
    }
}

void Link::throwIfStopped()
{
    if (std::exchange(m_stopRequested, false))
        throw Stopped();
}

void Link::write(const QString &command)
{
    if (m_lost) {
        // The device failed earlier; it may be back on the same path.
        if (m_port.isOpen())
            m_port.close();
        if (auto failure = open())
            throw PortFailure(*failure);
        m_lost = false;
    }
    if (!m_port.isOpen())
        throw PortFailure(describe(tr("the port is not open")));

    // Stale input goes before the command: a reply cannot arrive before it is asked
    // for, and a fast counter's reply is never thrown away with the stale bytes.
    m_port.clear(QSerialPort::Input);
    m_port.readAll();

    // A full output queue is not a failure: the bytes go out when the line is ready.
    m_port.clearError();
    const QByteArray bytes = command.toLatin1();
    if (m_port.write(bytes) != bytes.size())
        throw PortFailure(describe(m_port.errorString()));
    m_port.flush();
    if (m_lost || !m_port.isOpen())
        throw PortFailure(m_lostReason);
}

QCoro::Task<Reply> Link::exchange(QString command, float timeout)
{
    if (m_shutdown.isTriggered())
        throw Cancelled();
    co_await waitForTurn();
    throwIfStopped();
    ExchangeScope scope(m_exchanging, m_progress, *this);

    write(command);
    m_exchangeStart = Clock::now();
    m_timeout = timeout;
    const Clock::time_point deadline = m_exchangeStart + seconds(timeout);

    QByteArray received;
    bool complete = false;
    for (;;) {
        const QByteArray chunk = m_port.readAll();
        received.append(chunk.first(std::min(chunk.size(), MaxReply - received.size())));
        // The carriage-return test comes before the deadline test, so a reply completed
        // on the last turn is accepted.
        complete = chunk.contains('\r');
        if (complete || Clock::now() > deadline)
            break;

        Wake wake(m_shutdown);
        wake.on(&m_port, &QSerialPort::readyRead);
        wake.on(this, &Link::portLost, Wake::Reason::PortLost);
        wake.setDeadline(deadline);
        switch (co_await wake) {
        case Wake::Reason::Shutdown:
            throw Cancelled();
        case Wake::Reason::PortLost:
            throw PortFailure(m_lostReason);
        case Wake::Reason::Signal:
        case Wake::Reason::Deadline:
            break;
        }
    }

    const FilteredReply filtered = filterReply(QString::fromLatin1(received));
    emit replyReceived(filtered);
    co_return Reply{filtered.text, complete, QDateTime::currentMSecsSinceEpoch(), Clock::now()};
}

QCoro::Task<> Link::pause(float sec)
{
    if (m_shutdown.isTriggered())
        throw Cancelled();
    throwIfStopped();
    m_pauseStart = Clock::now();
    if (!(sec > 0))
        co_return;
    const Clock::time_point deadline = m_pauseStart + seconds(sec);
    while (Clock::now() < deadline) {
        Wake wake(m_shutdown);
        wake.setDeadline(deadline);
        if (co_await wake == Wake::Reason::Shutdown)
            throw Cancelled();
    }
}

} // namespace pelmix::device
