#include "Acquisition.h"

#include "Session.h"

#include <QCoroSignal>

#include <exception>
#include <limits>
#include <utility>

namespace pelmix::remote {

namespace {

// Why a measurement has no value, in words.
QString failureText(const measure::Result &result)
{
    if (!result.error.isEmpty())
        return result.error;
    if (!result.dataRequested) {
        return result.status == Status::Timeout ? u"no reply to the status query"_qs
                                                : u"unreadable reply to the status query"_qs;
    }
    if (result.status == Status::Unconfirmed)
        return u"the counter did not confirm its settings"_qs;
    return QString(statusName(result.status));
}

bool belongsTo(const std::weak_ptr<Session> &owner, const Session *session)
{
    return !session || owner.lock().get() == session;
}

} // namespace

Acquisition::Acquisition(Setup setup, int count, std::weak_ptr<Session> owner)
    : setup(setup)
    , count(count)
    , m_owner(std::move(owner))
{
}

QCoro::Task<> waitFor(std::shared_ptr<Acquisition> acquisition)
{
    if (!acquisition->isFinished())
        co_await qCoro(acquisition.get(), &Acquisition::finished);
}

Trigger::Trigger(Instrument &instrument)
    : m_instrument(instrument)
{
}

std::shared_ptr<Acquisition> Trigger::start(Setup setup, int count,
                                            const std::shared_ptr<Session> &owner)
{
    auto acquisition = std::make_shared<Acquisition>(setup, count, owner);
    m_waiting.push_back(acquisition);
    if (!m_looping)
        run();
    return acquisition;
}

void Trigger::abort(const Session *owner)
{
    // Taken out first: a client woken by finish() may start another one meanwhile, and
    // the instrument's abort may end the running one before this returns.
    std::deque<std::shared_ptr<Acquisition>> dropped;
    std::erase_if(m_waiting, [&](const std::shared_ptr<Acquisition> &waiting) {
        if (!belongsTo(waiting->m_owner, owner))
            return false;
        dropped.push_back(waiting);
        return true;
    });
    const bool stopRunning =
        m_running && belongsTo(m_running->m_owner, owner) && !m_running->m_aborted;
    if (stopRunning)
        m_running->m_aborted = true;
    for (const auto &acquisition : dropped) {
        acquisition->m_aborted = true;
        finish(*acquisition);
    }
    if (stopRunning)
        m_instrument.abort();
}

QCoro::Task<> Trigger::run()
{
    // The engine may go while a measurement runs; its trigger stays until this ends.
    const std::shared_ptr<Trigger> self = shared_from_this();
    m_looping = true;
    while (!m_waiting.empty()) {
        m_running = m_waiting.front();
        m_waiting.pop_front();
        co_await take(*m_running);
        const std::shared_ptr<Acquisition> ended = std::exchange(m_running, nullptr);
        finish(*ended);
    }
    m_looping = false;
}

QCoro::Task<> Trigger::take(Acquisition &acquisition)
{
    while (acquisition.m_readings.size() < acquisition.count && !acquisition.m_aborted) {
        const std::shared_ptr<Session> owner = acquisition.m_owner.lock();
        if (!owner || owner->gone) {
            acquisition.m_aborted = true;
            break;
        }
        measure::Result result;
        try {
            result = co_await m_instrument.measure(acquisition.setup);
        } catch (const std::exception &) {
            // The program is ending: nothing more is measured.
            acquisition.m_aborted = true;
            break;
        }
        if (result.status == Status::Stopped || acquisition.m_aborted) {
            acquisition.m_aborted = true;
            break;
        }
        if (result.hasValue()) {
            acquisition.m_readings << result.value;
            m_statistics.add(result.value);
        } else {
            acquisition.m_readings << std::numeric_limits<double>::quiet_NaN();
            owner->report(ErrorCode::NoReply, failureText(result));
        }
    }
}

void Trigger::finish(Acquisition &acquisition)
{
    acquisition.m_finished = true;
    if (const std::shared_ptr<Session> owner = acquisition.m_owner.lock()) {
        if (acquisition.m_aborted) {
            owner->report(ErrorCode::DataStale, u"measurement aborted after %1 of %2 readings"_qs
                                                    .arg(acquisition.m_readings.size())
                                                    .arg(acquisition.count));
        }
        if (owner->completionArmed && owner->acquisition.get() == &acquisition) {
            owner->events |= EventBit::OperationComplete;
            owner->completionArmed = false;
        }
    }
    emit acquisition.finished();
}

} // namespace pelmix::remote
