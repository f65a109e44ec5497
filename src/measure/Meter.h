#pragma once

#include <QCoroTask>
#include <QObject>
#include <QString>

namespace pelmix::device {
class Link;
class Messenger;
} // namespace pelmix::device

namespace pelmix::measure {

class FrontPanel;
class ResultLog;

// The measurement cycle: one measurement (status query, settings upload, the selected
// mode's routine, the result line), measured once or cyclically with a pause.
//
// One measurement at a time. A single measurement asked for during another one runs
// right after it (at most one waits). Each cyclical loop carries a generation: a stop
// ends it, and a new start begins a fresh loop that an older, stopping one never revives.
class Meter : public QObject
{
    Q_OBJECT
public:
    Meter(device::Link &link, FrontPanel &panel, device::Messenger &messenger, ResultLog &log,
          QObject *parent = nullptr);

    // The single-measurement button: stops a cycle and measures once.
    void measureOnce();
    // The start picture, pressed: measures cyclically.
    void startCycle();
    // The stop picture, released: the cycle ends at its next turn.
    void stopCycle();

    // The pause before each cyclical measurement, seconds.
    float cyclePause() const { return m_pause; }
    void setCyclePause(float seconds) { m_pause = seconds; }
    bool isCycleRunning() const { return m_cycleRunning; }
    const QString &lastReply() const { return m_lastReply; }
    bool isMeasuring() const { return m_measuring; }
    // Running loops and waiting single measurements, for tests and shutdown.
    int activeTasks() const { return m_activeTasks; }

signals:
    void measurementFinished();
    void idle();

private:
    enum class Outcome { Done, PortFailed, Cancelled };

    QCoro::Task<> measure();
    QCoro::Task<Outcome> runMeasurement(bool single = false);
    QCoro::Task<> runCycle(quint64 generation);
    QCoro::Task<> runSingle();
    void taskEnded();

    device::Link &m_link;
    FrontPanel &m_panel;
    device::Messenger &m_messenger;
    ResultLog &m_log;
    QString m_lastReply;
    float m_pause = 1.0f;
    bool m_cycleRunning = false;
    quint64 m_generation = 0;
    bool m_measuring = false;
    bool m_singleWaiting = false;
    int m_activeTasks = 0;
};

} // namespace pelmix::measure
