#pragma once

#include "Instrument.h"

#include "analysis/Statistics.h"

#include <QCoroTask>
#include <QList>
#include <QObject>

#include <deque>
#include <memory>

namespace pelmix::remote {

struct Session;

// One triggered measurement: `count` readings with one setup, for the connection that
// started it. A failed reading is NaN (sent as 9.91E37) with its own error in that
// connection's queue; the others are still taken.
class Acquisition : public QObject
{
    Q_OBJECT
public:
    Acquisition(Setup setup, int count, std::weak_ptr<Session> owner);

    const Setup setup;
    const int count;

    const QList<double> &readings() const { return m_readings; }
    bool isFinished() const { return m_finished; }
    // Ended by ABORt, *RST, its client leaving or shutdown before all its readings.
    bool wasAborted() const { return m_aborted; }

signals:
    void finished();

private:
    friend class Trigger;

    std::weak_ptr<Session> m_owner;
    QList<double> m_readings;
    bool m_finished = false;
    bool m_aborted = false;
};

// Returns once the measurement has ended; at once if it has.
QCoro::Task<> waitFor(std::shared_ptr<Acquisition> acquisition);

// The instrument's trigger system: measurements run one at a time, in the order they
// were started, whichever connection started them.
class Trigger : public std::enable_shared_from_this<Trigger>
{
public:
    explicit Trigger(Instrument &instrument);

    std::shared_ptr<Acquisition> start(Setup setup, int count,
                                       const std::shared_ptr<Session> &owner);
    // Ends the measurement under way at its next exchange with the counter and drops the
    // waiting ones; with an owner, only that connection's.
    void abort(const Session *owner = nullptr);
    bool isBusy() const { return m_running || !m_waiting.empty(); }

    // Of every reading taken since the last clear, whoever asked for it.
    analysis::RunningStatistics &statistics() { return m_statistics; }

private:
    QCoro::Task<> run();
    QCoro::Task<> take(Acquisition &acquisition);
    static void finish(Acquisition &acquisition);

    Instrument &m_instrument;
    std::deque<std::shared_ptr<Acquisition>> m_waiting;
    std::shared_ptr<Acquisition> m_running;
    bool m_looping = false;
    analysis::RunningStatistics m_statistics;
};

} // namespace pelmix::remote
