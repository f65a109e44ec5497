#include "Meter.h"

#include "Panel.h"
#include "Reporter.h"

#include "device/Commands.h"
#include "device/Errors.h"
#include "device/Link.h"
#include "device/SettingsUpload.h"
#include "device/Wake.h"

namespace pelmix::measure {

using device::Mode;

namespace {

// A shown "full" bar after a frequency measurement, for this long.
constexpr float FullBarPause = 0.1f;

} // namespace

Meter::Meter(device::Link &link, Panel &panel, Reporter &reporter, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_panel(panel)
    , m_reporter(reporter)
{
}

QCoro::Task<> Meter::measure()
{
    const device::Reply status = co_await m_link.exchange(
        device::commandText(device::Command::Status), device::StatusTimeout);
    m_lastReply = status.text;
    if (status.size() < device::MinStatusReply) {
        Result result = unanswered(m_panel.mode(), m_panel.position(), status);
        result.settings = currentSettings(m_panel, result.mode, result.position);
        emit measured(result);
        co_await m_reporter.report(device::ConnectionError);
        co_return;
    }

    // The upload and the data request follow this one mode to the end.
    const Mode mode = m_panel.mode();
    if (!co_await device::uploadSettings(m_link, m_panel, mode, m_lastReply))
        co_await m_reporter.report(device::ConnectionError);
    co_await requestData(mode);
}

QCoro::Task<> Meter::requestData(Mode mode)
{
    // Interval mode has no measuring time: it holds the control at 0, disabled until a
    // mode that has one measures again.
    if (mode == Mode::Interval) {
        m_panel.setPosition(0);
        m_panel.setPositionEnabled(false);
    } else if (mode != Mode::Count) {
        m_panel.setPositionEnabled(true);
    }
    const int position = m_panel.position();
    if (position < 0 || position > 4)
        co_return;

    const device::Reply data = co_await m_link.exchange(device::commandText(device::Command::Data),
                                                        dataRequest(mode, position).timeout);
    m_lastReply = data.text;
    Result result = decodeResult(mode, position, data);
    result.settings = currentSettings(m_panel, mode, position);
    emit resultReady(result);
    if (mode == Mode::Calibration || mode == Mode::Frequency) {
        emit progressCompleted();
        co_await m_link.pause(FullBarPause);
        m_link.setProgress(0);
    }
    emit measured(result);
}

QCoro::Task<Meter::Outcome> Meter::runMeasurement(bool single)
{
    while (m_measuring) {
        device::Wake wake(m_link.shutdown());
        wake.on(this, &Meter::measurementFinished);
        if (co_await wake == device::Wake::Reason::Shutdown)
            co_return Outcome::Cancelled;
    }
    // Once a waiting single measurement runs, the next one may wait in its turn.
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
        emit portFailed(failure);
        try {
            co_await m_reporter.report(failure);
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

void Meter::setCycleRunning(bool running)
{
    m_cycleRunning = running;
    emit cycleRunningChanged(running);
}

void Meter::measureOnce()
{
    setCycleRunning(false);
    if (m_singleWaiting)
        return;
    runSingle();
}

void Meter::startCycle()
{
    setCycleRunning(true);
    runCycle(++m_generation);
}

void Meter::stopCycle()
{
    setCycleRunning(false);
}

} // namespace pelmix::measure
