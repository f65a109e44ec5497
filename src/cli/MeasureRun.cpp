#include "MeasureRun.h"

#include "Console.h"
#include "ExitStatus.h"
#include "ReadingSink.h"
#include "StabilityReport.h"
#include "Summary.h"

#include "analysis/Allan.h"
#include "device/Errors.h"
#include "measure/Session.h"
#include "readings/ReadingFeed.h"

#include <unistd.h>

namespace pelmix::cli {

namespace {

// A QTimer holds about 24 days; a longer run wakes once a day to look at its deadline.
constexpr std::chrono::milliseconds LongestTimer = std::chrono::hours(24);

} // namespace

MeasureRun::MeasureRun(measure::Session &session, ReadingSink &sink, Setup setup, Plan plan,
                       QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_sink(sink)
    , m_setup(setup)
    , m_plan(plan)
{
    m_durationTimer.setSingleShot(true);
    m_durationTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_durationTimer, &QTimer::timeout, this, [this] {
        if (m_deadline.hasExpired())
            stop();
        else
            armDurationTimer();
    });
}

void MeasureRun::start()
{
    if (m_plan.format == Format::Csv && !m_sink.holdsData() && !write(formatHeader(Format::Csv)))
        return;
    m_origin = device::Clock::now();
    if (m_plan.duration) {
        m_deadline = QDeadlineTimer(*m_plan.duration, Qt::PreciseTimer);
        armDurationTimer();
    }
    showProgress();
    run();
}

QCoro::Task<> MeasureRun::run()
{
    measure::Meter &meter = m_session.meter();
    try {
        for (;;) {
            if (m_plan.cyclic())
                co_await m_session.link().pause(m_plan.pause);
            if (m_stopping)
                break;
            const measure::Result result = co_await meter.measure(m_setup);
            if (!record(result) || result.status == Status::Lost)
                break;
            if (m_stopping || (m_plan.count > 0 && m_measured >= m_plan.count))
                break;
        }
    } catch (const device::Cancelled &) {
    }
    // Not from inside the meter's signals or the reporter: the measurement ends first.
    QMetaObject::invokeMethod(this, &MeasureRun::finish, Qt::QueuedConnection);
}

void MeasureRun::interrupt()
{
    if (++m_interrupts == 1)
        stop();
    else
        abort();
}

bool MeasureRun::record(const measure::Result &result)
{
    const analysis::Reading reading = readings::readingOf(result, m_origin);
    if (m_plan.stats)
        m_store.append(result.setup, reading);
    ++m_measured;
    if (reading.isGap())
        ++m_gaps;
    if (result.status == Status::Lost)
        m_portFailed = true;
    emit measured(result);
    if (!write(formatReading(m_plan.format, result.setup, reading)))
        return false;
    showProgress();
    return true;
}

bool MeasureRun::write(const QByteArray &line)
{
    const std::optional<ReadingSink::Failure> failure = m_sink.write(line);
    if (!failure)
        return true;
    if (!failure->closedPipe)
        console::error(
            QStringLiteral("cannot write to %1: %2").arg(m_sink.name(), failure->reason));
    m_outputFailed = true;
    abort();
    return false;
}

void MeasureRun::stop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    m_durationTimer.stop();
    // Between measurements, the pause under way is cancelled at once.
    if (!m_session.meter().isMeasuring())
        m_session.shutDown();
}

void MeasureRun::abort()
{
    m_stopping = true;
    // Every wait ends now, and nothing more is sent.
    m_session.shutDown();
}

void MeasureRun::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_durationTimer.stop();
    m_session.shutDown();
    console::clearProgress();
    if (m_plan.stats)
        printSummary();

    int status = ExitStatus::Ok;
    if (m_portFailed)
        status = ExitStatus::PortFailure;
    else if (m_outputFailed || m_gaps > 0)
        status = ExitStatus::Incomplete;
    emit finished(status);
}

void MeasureRun::armDurationTimer()
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline.remainingTimeAsDuration());
    m_durationTimer.start(std::min(left, LongestTimer));
}

void MeasureRun::showProgress()
{
    QString text = m_plan.count > 0
                       ? QStringLiteral("measured %1 of %2").arg(m_measured).arg(m_plan.count)
                       : QStringLiteral("measured %1").arg(m_measured);
    if (m_gaps > 0)
        text += QStringLiteral(", %1 without a value").arg(m_gaps);
    console::progress(text);
}

void MeasureRun::printSummary()
{
    const analysis::Series *series = m_store.current();
    std::vector<double> values;
    std::vector<double> elapsed;
    QString unit;
    if (series) {
        values = series->values();
        elapsed = series->elapsed();
        unit = QString(modeInfo(series->setup().mode).unit);
    }
    const std::vector<qint64> factors =
        analysis::octaveFactors(analysis::plotFactorLimit(qint64(values.size())));
    const double tau0 = analysis::medianSpacing(elapsed);
    Summary summary = summarize(values, m_gaps, tau0, factors, std::nullopt, unit);
    // The stability as `analyze` gives it by default: fractional, with noise types and
    // intervals.
    if (const auto measured = analysis::measuredOf(m_setup.mode)) {
        constexpr analysis::Deviation Kinds[] = {analysis::Deviation::Oadev,
                                                 analysis::Deviation::Mdev};
        summary.stability = stabilityReport(*measured, values, tau0, std::nullopt, Kinds, factors,
                                            analysis::DefaultConfidence);
    }
    writeAll(m_plan.summaryToStandardError ? STDERR_FILENO : STDOUT_FILENO, summaryText(summary));
}

} // namespace pelmix::cli
