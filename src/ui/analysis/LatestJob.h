#pragma once

#include <QElapsedTimer>
#include <QFuture>
#include <QFutureWatcher>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <utility>

namespace pelmix::ui {

// Heavy work for a window, on another thread, at most one run at a time: a request made
// while one runs waits, and a newer request replaces it, so the window sees the newest
// data without a queue of stale runs. After a run the next one rests twice as long as the
// last one took, so a long computation cannot keep a core busy while readings arrive.
//
// A request is a function that runs on the window's thread when the work may start: it
// copies what the work needs and returns the future of the work on that copy. The result
// comes back on the window's thread. A run still going when the job is destroyed finishes
// on its copy and is dropped.
template<typename Result> class LatestJob
{
public:
    using Start = std::function<QFuture<Result>()>;
    using Deliver = std::function<void(const Result &)>;

    LatestJob(QObject *context, Deliver deliver)
        : m_deliver(std::move(deliver))
    {
        m_rest.setSingleShot(true);
        QObject::connect(&m_watcher, &QFutureWatcherBase::finished, context,
                         [this] { finished(); });
        QObject::connect(&m_rest, &QTimer::timeout, context, [this] { launch(); });
    }
    LatestJob(const LatestJob &) = delete;
    LatestJob &operator=(const LatestJob &) = delete;

    void request(Start start)
    {
        m_pending = std::move(start);
        if (!m_running && !m_rest.isActive())
            launch();
    }
    // Forgets a request that has not started yet.
    void dropPending() { m_pending = nullptr; }
    // Nothing running and nothing waiting.
    bool isIdle() const { return !m_running && !m_pending; }

private:
    void launch()
    {
        if (!m_pending)
            return;
        const Start start = std::exchange(m_pending, nullptr);
        m_running = true;
        m_clock.start();
        m_watcher.setFuture(start());
    }
    void finished()
    {
        m_running = false;
        const qint64 took = m_clock.elapsed();
        m_deliver(m_watcher.result());
        if (m_pending)
            m_rest.start(int(std::min<qint64>(2 * took, 2000)));
    }

    Deliver m_deliver;
    QFutureWatcher<Result> m_watcher;
    Start m_pending;
    QTimer m_rest;
    QElapsedTimer m_clock;
    bool m_running = false;
};

} // namespace pelmix::ui
