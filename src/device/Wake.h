#pragma once

#include "Clock.h"

#include <QObject>
#include <QTimer>

#include <coroutine>
#include <memory>
#include <optional>
#include <vector>

namespace pelmix::device {

class Shutdown;

// One wait on several sources, to co_await: a signal, a deadline, and always the
// shutdown signal. The first source that fires wins. A wait costs no processor time.
//
// The coroutine is resumed from a queued call, never from inside the signal that woke
// it, so the waiting code may close the port or destroy the sender safely. Shutdown is
// the exception: it resumes at once, so that nothing is sent after the window closes.
class Wake
{
public:
    enum class Reason { Signal, Deadline, Shutdown, PortLost };

    explicit Wake(Shutdown &shutdown);
    ~Wake();
    Wake(const Wake &) = delete;
    Wake &operator=(const Wake &) = delete;

    template<typename Sender, typename Signal>
    void on(const Sender *sender, Signal signal, Reason reason = Reason::Signal)
    {
        m_connections.push_back(
            QObject::connect(sender, signal, [state = m_state, reason] { state->fire(reason); }));
    }

    void setDeadline(Clock::time_point deadline);

private:
    struct State;

public:
    class Awaiter
    {
    public:
        explicit Awaiter(std::shared_ptr<State> state)
            : m_state(std::move(state))
        {
        }
        bool await_ready() const noexcept { return m_state->reason.has_value(); }
        void await_suspend(std::coroutine_handle<> handle) noexcept { m_state->handle = handle; }
        Reason await_resume() const { return *m_state->reason; }

    private:
        std::shared_ptr<State> m_state;
    };

    Awaiter operator co_await() const { return Awaiter(m_state); }

private:
    struct State : std::enable_shared_from_this<State>
    {
        std::coroutine_handle<> handle;
        std::optional<Reason> reason;
        bool resumed = false;
        bool alive = true;

        void fire(Reason why);
        void resumeNow();
    };

    std::shared_ptr<State> m_state;
    std::vector<QMetaObject::Connection> m_connections;
    std::unique_ptr<QTimer> m_timer;
};

} // namespace pelmix::device
