#pragma once

#include "Result.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <functional>

namespace pelmix::device {
class InputSettings;
class Link;
} // namespace pelmix::device

namespace pelmix::measure {

class Reporter;

// Measurements: each one a status query, a settings upload and the data request of its
// mode, from settings to a result.
//
// The command line and the SCPI server give a setup and await its result (measure()). The
// window measures from its live controls, each read when its step of the upload runs,
// once or cyclically with a pause (measureOnce(), startCycle()).
//
// A measurement's mode is the one selected when its upload begins; a mode chosen during
// the measurement applies from the next one, so a reply is never decoded as another
// mode's.
//
// One measurement at a time; others wait their turn in order. A single measurement asked
// for from the window during another one runs right after it (at most one waits). Each
// cyclical loop carries a generation: a stop ends it, and a new start begins a fresh loop
// that an older, stopping one never revives.
class Meter : public QObject
{
    Q_OBJECT
public:
    // What the window shows after a measurement before the cycle goes on (its full bar).
    using Hold = std::function<QCoro::Task<>(const Result &)>;

    Meter(device::Link &link, Reporter &reporter, QObject *parent = nullptr);

    // One measurement with `setup`, once the measurement under way has ended. Every
    // measurement gives a result; a setup the counter cannot take gives an unconfirmed
    // one without a value. Throws device::Cancelled when the session shuts down.
    QCoro::Task<Result> measure(Setup setup);

    // The window's controls, which measureOnce() and startCycle() read, and its hold.
    void setLiveSettings(const device::InputSettings *settings) { m_live = settings; }
    void setHold(Hold hold) { m_hold = std::move(hold); }
    // Stops a cycle and measures once.
    void measureOnce();
    // Measures cyclically: pause, measurement, pause, ... until stopped.
    void startCycle();
    // The cycle ends at its next turn: a measurement under way finishes, one more pause
    // passes.
    void stopCycle();
    // Ends the measurement under way before its next exchange with the counter; its
    // result is Stopped. Nothing happens when none runs.
    void abort();

    // The pause before each cyclical measurement, seconds.
    float cyclePause() const { return m_pause; }
    void setCyclePause(float seconds) { m_pause = seconds; }
    bool isCycleRunning() const { return m_cycleRunning; }
    bool isMeasuring() const { return m_measuring; }
    const QString &lastReply() const { return m_lastReply; }
    // Running loops and waiting measurements, for tests and shutdown.
    int activeTasks() const { return m_activeTasks; }

signals:
    void cycleRunningChanged(bool running);
    // The upload has sent these settings; the data request follows.
    void settingsSent(const pelmix::Setup &setup);
    // A measurement has ended with this result, however it ended. Not emitted when the
    // program shut down.
    void measured(const pelmix::measure::Result &result);
    // The port failed during a measurement: the cycle stops.
    void portFailed(const QString &message);
    void measurementFinished();
    void idle();

private:
    QCoro::Task<Result> measureWith(const device::InputSettings &settings);
    QCoro::Task<Result> run(const device::InputSettings &settings, bool live, bool single);
    QCoro::Task<> waitForTurn();
    QCoro::Task<> runCycle(quint64 generation);
    QCoro::Task<> runSingle();
    void taskEnded();
    void setCycleRunning(bool running);

    device::Link &m_link;
    Reporter &m_reporter;
    const device::InputSettings *m_live = nullptr;
    Hold m_hold;
    QString m_lastReply;
    float m_pause = 1.0f;
    bool m_cycleRunning = false;
    quint64 m_generation = 0;
    bool m_measuring = false;
    bool m_singleWaiting = false;
    int m_activeTasks = 0;
};

} // namespace pelmix::measure
