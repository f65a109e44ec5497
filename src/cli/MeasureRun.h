#pragma once

#include "analysis/ReadingStore.h"
#include "core/Setup.h"
#include "device/Clock.h"
#include "readings/ReadingFormat.h"

#include <QCoroTask>
#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>

namespace pelmix::measure {
class Session;
struct Result;
} // namespace pelmix::measure

namespace pelmix::cli {

using readings::Format;
class ReadingSink;

// One run of `measure` on an open session: measures the setup as the window's buttons do,
// writes a line per measurement as it ends, and ends when the count is reached, the time
// is up, the port fails, the output fails or it is interrupted.
//
// One measurement runs like the hand button; more, a duration or no limit run like the
// window's cycle: a pause, a measurement, a pause, ... until stopped. Ending it lets the
// measurement under way finish, writes it, and cancels the pause that would follow:
// nothing more reaches the counter.
class MeasureRun : public QObject
{
    Q_OBJECT
public:
    struct Plan
    {
        qint64 count = 1; // 0: no limit
        std::optional<std::chrono::milliseconds> duration;
        float pause = 0; // seconds before each measurement of a cycle
        Format format = Format::Csv;
        bool stats = false;
        bool summaryToStandardError = false;

        bool cyclic() const { return count != 1 || duration.has_value(); }
    };

    MeasureRun(measure::Session &session, ReadingSink &sink, Setup setup, Plan plan,
               QObject *parent = nullptr);

    void start();
    // The first ends the run after the measurement under way; the next ends it at once.
    void interrupt();

signals:
    // Every result as it is written.
    void measured(const pelmix::measure::Result &result);
    void finished(int exitStatus);

private:
    QCoro::Task<> run();
    bool record(const measure::Result &result);
    bool write(const QByteArray &line);
    void stop();
    void abort();
    void finish();
    void armDurationTimer();
    void showProgress();
    void printSummary();

    measure::Session &m_session;
    ReadingSink &m_sink;
    Setup m_setup;
    Plan m_plan;
    analysis::ReadingStore m_store;
    device::Clock::time_point m_origin;
    QDeadlineTimer m_deadline;
    QTimer m_durationTimer;
    qint64 m_measured = 0;
    qint64 m_gaps = 0;
    int m_interrupts = 0;
    bool m_stopping = false;
    bool m_finished = false;
    bool m_portFailed = false;
    bool m_outputFailed = false;
};

} // namespace pelmix::cli
