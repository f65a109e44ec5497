#pragma once

#include "Result.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

namespace pelmix::device {
class Link;
}

namespace pelmix::measure {

class Panel;
class Reporter;

// The measurement cycle: one measurement (status query, settings upload, the data request
// of the measurement's mode), measured once or cyclically with a pause.
//
// A measurement's mode is the one selected when its upload begins; a mode chosen during
// the measurement applies from the next one, so a reply is never decoded as another
// mode's.
//
// One measurement at a time. A single measurement asked for during another one runs
// right after it (at most one waits). Each cyclical loop carries a generation: a stop
// ends it, and a new start begins a fresh loop that an older, stopping one never revives.
class Meter : public QObject
{
    Q_OBJECT
public:
    Meter(device::Link &link, Panel &panel, Reporter &reporter, QObject *parent = nullptr);

    // Stops a cycle and measures once.
    void measureOnce();
    // Measures cyclically: pause, measurement, pause, ... until stopped.
    void startCycle();
    // The cycle ends at its next turn: a measurement under way finishes, one more pause
    // passes.
    void stopCycle();

    // The pause before each cyclical measurement, seconds.
    float cyclePause() const { return m_pause; }
    void setCyclePause(float seconds) { m_pause = seconds; }
    bool isCycleRunning() const { return m_cycleRunning; }
    bool isMeasuring() const { return m_measuring; }
    const QString &lastReply() const { return m_lastReply; }
    // Running loops and waiting single measurements, for tests and shutdown.
    int activeTasks() const { return m_activeTasks; }

signals:
    void cycleRunningChanged(bool running);
    // The data reply is decoded: the displays show it.
    void resultReady(const pelmix::measure::Result &result);
    // A frequency measurement shows the progress full for a moment.
    void progressCompleted();
    // A measurement has ended with this outcome, also when it got no answer to its status
    // query. Not emitted when the port failed or the program shut down.
    void measured(const pelmix::measure::Result &result);
    // The port failed during a measurement: the cycle stops.
    void portFailed(const QString &message);
    void measurementFinished();
    void idle();

private:
    enum class Outcome { Done, PortFailed, Cancelled };

    QCoro::Task<> measure();
    QCoro::Task<> requestData(device::Mode mode);
    QCoro::Task<Outcome> runMeasurement(bool single = false);
    QCoro::Task<> runCycle(quint64 generation);
    QCoro::Task<> runSingle();
    void taskEnded();
    void setCycleRunning(bool running);

    device::Link &m_link;
    Panel &m_panel;
    Reporter &m_reporter;
    QString m_lastReply;
    float m_pause = 1.0f;
    bool m_cycleRunning = false;
    quint64 m_generation = 0;
    bool m_measuring = false;
    bool m_singleWaiting = false;
    int m_activeTasks = 0;
};

} // namespace pelmix::measure
