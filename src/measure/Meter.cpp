#include "Meter.h"

#include "FrontPanel.h"
#include "Routine.h"

#include "device/Commands.h"
#include "device/Errors.h"
#include "device/Link.h"
#include "device/Messenger.h"
#include "device/SettingsUpload.h"
#include "device/Wake.h"

namespace pelmix::measure {

using device::Mode;

namespace {

// A shown "full" bar after a frequency measurement, for this long.
constexpr float FullBarPause = 0.1f;

} // namespace

Meter::Meter(device::Link &link, FrontPanel &panel, device::Messenger &messenger, ResultLog &log,
             QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_panel(panel)
    , m_messenger(messenger)
    , m_log(log)
{
}

QCoro::Task<> Meter::measure()
{
    m_lastReply = co_await m_link.exchange(device::commandText(device::Command::Status),
                                           device::StatusTimeout);
    if (m_lastReply.size() < device::MinStatusReply) {
        co_await m_messenger.message(device::ConnectionError);
        co_return;
    }
    co_await device::uploadSettings(m_link, m_panel, m_messenger, m_lastReply);

    // Each test reads the mode as it is when it runs: a mode chosen while an earlier
    // routine waited for its reply gets its own routine in the same measurement.
    const Routine routine{m_link, m_panel, m_lastReply};
    if (m_panel.mode() == Mode::Calibration || m_panel.mode() == Mode::Frequency) {
        co_await measureFrequency(routine);
        m_panel.showProgress(100);
        co_await m_link.pause(FullBarPause);
        m_link.setProgress(0);
    }
    if (m_panel.mode() == Mode::Period)
        co_await measurePeriod(routine);
    if (m_panel.mode() == Mode::Interval)
        co_await measureInterval(routine);
    if (m_panel.mode() == Mode::Count)
        co_await measureCount(routine);

    m_log.writeResultLine(m_panel.mainDisplay());
}

QCoro::Task<Meter::Outcome> Meter::runMeasurement(bool single)
{
    while (m_measuring) {
        device::Wake wake(m_link.shutdown());
        wake.on(this, &Meter::measurementFinished);
        if (co_await wake == device::Wake::Reason::Shutdown)
            co_return Outcome::Cancelled;
    }
    // Once a waiting single measurement runs, the next click may wait in its turn.
    if (single)
        m_singleWaiting = false;
    m_measuring = true;
    Outcome outcome = Outcome::Done;
    QString failure;
    try {
        co_await measure();
    } catch (const device::PortFailure &error) {
        outcome = Outcome::PortFailed;
        failure = error.description();
    } catch (const device::Cancelled &) {
        outcome = Outcome::Cancelled;
    } catch (const std::exception &error) {
        // Nothing else should fail here; if it does, say so rather than stop measuring.
        outcome = Outcome::PortFailed;
        failure = QString::fromLocal8Bit(error.what());
    }
    m_measuring = false;
    emit measurementFinished();

    if (outcome == Outcome::PortFailed) {
        // The measurement failed: stop cycling, nothing was decoded or logged; say why.
        stopCycle();
        try {
            co_await m_messenger.message(failure);
        } catch (const device::Cancelled &) {
            outcome = Outcome::Cancelled;
        }
    }
    co_return outcome;
}

QCoro::Task<> Meter::runCycle(quint64 generation)
{
    ++m_activeTasks;
    try {
        for (;;) {
            co_await m_link.pause(m_pause);
            if (!m_cycleRunning || generation != m_generation)
                break;
            if (co_await runMeasurement() != Outcome::Done)
                break;
        }
    } catch (const device::Cancelled &) {
    }
    taskEnded();
}

QCoro::Task<> Meter::runSingle()
{
    ++m_activeTasks;
    m_singleWaiting = true;
    co_await runMeasurement(true);
    taskEnded();
}

void Meter::taskEnded()
{
    if (--m_activeTasks == 0)
        emit idle();
}

void Meter::measureOnce()
{
    m_panel.showCycleRunning(false);
    m_cycleRunning = false;
    if (m_singleWaiting)
        return;
    runSingle();
}

void Meter::startCycle()
{
    m_panel.showCycleRunning(true);
    m_cycleRunning = true;
    runCycle(++m_generation);
}

void Meter::stopCycle()
{
    m_panel.showCycleRunning(false);
    m_cycleRunning = false;
}

} // namespace pelmix::measure
