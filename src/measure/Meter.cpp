#include "Meter.h"

#include "Reporter.h"

#include "device/Commands.h"
#include "device/Errors.h"
#include "device/Link.h"
#include "device/SettingsUpload.h"
#include "device/Wake.h"

namespace pelmix::measure {

namespace {

double secondsBetween(device::Clock::time_point from, device::Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

// The settings as they are now, for a measurement that ends before its upload says what
// it sent.
Setup snapshot(const device::InputSettings &settings, Mode mode)
{
    return {mode,
            modeInfo(mode).hasPosition ? settings.position() : 0,
            settings.analog(),
            settings.level(),
            settings.fallingEdge(),
            settings.filterOn()};
}

} // namespace

Meter::Meter(device::Link &link, Reporter &reporter, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_reporter(reporter)
{
}

QCoro::Task<Result> Meter::measureWith(const device::InputSettings &settings)
{
    // The upload and the data request follow this one mode to the end.
    const Mode mode = settings.mode();
    const device::Reply status = co_await m_link.exchange(
        device::commandText(device::Command::Status), device::StatusTimeout);
    m_lastReply = status.text;
    if (status.size() < device::MinStatusReply)
        co_return unanswered(snapshot(settings, mode), status);

    device::Upload upload = co_await device::uploadSettings(m_link, settings, mode, m_lastReply);
    if (!upload.confirmed)
        co_await m_reporter.report(device::ConnectionError);
    // Interval mode has no measuring time: its readings stand at position 0.
    if (!modeInfo(mode).hasPosition)
        upload.setup.position = 0;
    emit settingsSent(upload.setup);

    const device::Reply data = co_await m_link.exchange(device::commandText(device::Command::Data),
                                                        dataTimeout(upload.setup));
    m_lastReply = data.text;
    Result result = decodeResult(upload.setup, data);
    if (!upload.confirmed && result.hasValue())
        result.status = Status::Unconfirmed;
    co_return result;
}

QCoro::Task<> Meter::waitForTurn()
{
    while (m_measuring) {
        device::Wake wake(m_link.shutdown());
        wake.on(this, &Meter::measurementFinished);
        if (co_await wake == device::Wake::Reason::Shutdown)
            throw device::Cancelled();
    }
}

QCoro::Task<Result> Meter::run(const device::InputSettings &settings, bool live, bool single)
{
    co_await waitForTurn();
    // Once a waiting single measurement runs, the next one may wait in its turn.
    if (single)
        m_singleWaiting = false;
    m_measuring = true;
    m_link.clearStop();
    const device::Clock::time_point start = device::Clock::now();
    const Mode mode = settings.mode();
    Result result;
    try {
        result = co_await measureWith(settings);
    } catch (const device::PortFailure &error) {
        result = ended(snapshot(settings, mode), Status::Lost, error.description());
    } catch (const device::Stopped &) {
        result = ended(snapshot(settings, mode), Status::Stopped, tr("stopped"));
    } catch (const device::Cancelled &) {
        m_measuring = false;
        emit measurementFinished();
        throw;
    } catch (const std::exception &error) {
        // Nothing else should fail here; if it does, say so rather than stop measuring.
        result =
            ended(snapshot(settings, mode), Status::Lost, QString::fromLocal8Bit(error.what()));
    }
    result.duration = secondsBetween(start, result.ended);
    emit measured(result);
    try {
        // A status query without a usable answer ends the measurement there.
        if (!result.dataRequested &&
            (result.status == Status::Timeout || result.status == Status::Unreadable))
            co_await m_reporter.report(device::ConnectionError);
        if (live && m_hold && result.dataRequested)
            co_await m_hold(result);
    } catch (const device::Cancelled &) {
        m_measuring = false;
        emit measurementFinished();
        throw;
    }
    m_link.clearStop();
    m_measuring = false;
    emit measurementFinished();

    if (result.status == Status::Lost) {
        // Nothing was decoded or logged; stop cycling and say why.
        stopCycle();
        emit portFailed(result.error);
        co_await m_reporter.report(result.error);
    }
    co_return result;
}

QCoro::Task<Result> Meter::measure(Setup setup)
{
    if (!setup.isValid()) {
        Result result = ended(setup, Status::Unconfirmed,
                              tr("the counter has no level %1 or measuring time position %2")
                                  .arg(setup.level)
                                  .arg(setup.position));
        emit measured(result);
        co_return result;
    }
    ++m_activeTasks;
    const device::FixedSettings settings(setup);
    try {
        Result result = co_await run(settings, false, false);
        taskEnded();
        co_return result;
    } catch (...) {
        taskEnded();
        throw;
    }
}

QCoro::Task<> Meter::runCycle(quint64 generation)
{
    ++m_activeTasks;
    try {
        for (;;) {
            co_await m_link.pause(m_pause);
            if (!m_cycleRunning || generation != m_generation || !m_live)
                break;
            if ((co_await run(*m_live, true, false)).status == Status::Lost)
                break;
        }
    } catch (const device::Cancelled &) {
    } catch (const device::Stopped &) {
    }
    taskEnded();
}

QCoro::Task<> Meter::runSingle()
{
    ++m_activeTasks;
    m_singleWaiting = true;
    try {
        if (m_live)
            co_await run(*m_live, true, true);
    } catch (const device::Cancelled &) {
    }
    m_singleWaiting = false;
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

void Meter::abort()
{
    if (m_measuring)
        m_link.stopBeforeNext();
}

} // namespace pelmix::measure
