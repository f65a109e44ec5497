#include "Wake.h"

#include "Shutdown.h"

#include <QCoreApplication>

#include <limits>

namespace pelmix::device {

Wake::Wake(Shutdown &shutdown)
    : m_state(std::make_shared<State>())
{
    if (shutdown.isTriggered()) {
        m_state->reason = Reason::Shutdown;
        return;
    }
    m_connections.push_back(QObject::connect(&shutdown, &Shutdown::triggered, [state = m_state] {
        state->reason = Reason::Shutdown;
        state->resumeNow();
    }));
}

Wake::~Wake()
{
    m_state->alive = false;
    for (const auto &connection : m_connections)
        QObject::disconnect(connection);
}

void Wake::setDeadline(Clock::time_point deadline)
{
    using namespace std::chrono;
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) {
        if (!m_state->reason)
            m_state->reason = Reason::Deadline;
        return;
    }
    // Round up: the timer must not fire before the deadline has passed. A timer holds
    // about 24 days; a longer wait wakes then and waits again.
    const auto ms = std::min(duration_cast<milliseconds>(left + milliseconds(1) - nanoseconds(1)),
                             milliseconds(std::numeric_limits<int>::max()));
    m_timer = std::make_unique<QTimer>();
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_timer.get(), &QTimer::timeout,
                     [state = m_state] { state->fire(Reason::Deadline); });
    m_timer->start(ms);
}

void Wake::State::fire(Reason why)
{
    if (reason)
        return;
    reason = why;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [self = shared_from_this()] { self->resumeNow(); },
        Qt::QueuedConnection);
}

void Wake::State::resumeNow()
{
    if (!alive || resumed || !handle)
        return;
    resumed = true;
    handle.resume();
}

} // namespace pelmix::device
