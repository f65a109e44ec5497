#pragma once

#include "SimRig.h"

#include "measure/FrontPanel.h"
#include "measure/Meter.h"

#include <QMap>

namespace pelmix::test {

// The front panel as plain values, with what the measurement did to it.
struct PlainPanel : measure::FrontPanel
{
    PlainSettings settings;
    QString tablo1 = u" Pelmix"_qs;
    QString tablo2 = u" Version 1.4"_qs;
    QString ndp = u"Meas. time         ms"_qs;
    QMap<measure::Part, bool> shown;
    bool slider2Enabled = true;
    QList<int> progressBar;
    bool cycleShown = false;

    device::Mode mode() const override { return settings.mode(); }
    device::Input input() const override { return settings.input(); }
    device::Edge edge() const override { return settings.edge(); }
    bool filterOn() const override { return settings.filterOn(); }
    int level() const override { return settings.level(); }
    int position() const override { return settings.position(); }

    QString mainDisplay() const override { return tablo1; }
    void setMainDisplay(const QString &text) override { tablo1 = text; }
    QString secondDisplay() const override { return tablo2; }
    void setSecondDisplay(const QString &text) override { tablo2 = text; }
    void setShown(measure::Part part, bool on) override { shown[part] = on; }
    void setPositionCaption(const QString &caption) override { ndp = caption; }
    void setPosition(int value) override { settings.time = value; }
    void setPositionEnabled(bool enabled) override { slider2Enabled = enabled; }
    void showProgress(int percent) override { progressBar.append(percent); }
    void showCycleRunning(bool running) override { cycleShown = running; }
};

// A log that keeps its lines in memory; writes nothing while closed.
struct MemoryLog : measure::ResultLog
{
    bool open = true;
    QStringList lines;
    void writeModeLine(const QString &mode) override
    {
        if (open)
            lines.append(mode);
    }
    void writeResultLine(const QString &display) override
    {
        if (open)
            lines.append(u"result:"_qs + display);
    }
};

// The simulated counter, a plain panel, and the measurement cycle working on them.
struct MeasureRig : SimRig
{
    PlainPanel panel;
    RecordingMessenger messenger;
    MemoryLog log;
    measure::Meter meter{link, panel, messenger, log};

    explicit MeasureRig(sim::Signal signal = {}, sim::Faults faults = {})
        : SimRig(signal, faults)
    {
    }
    ~MeasureRig()
    {
        // Every loop and wait ends before the objects it uses go.
        shutdown.trigger();
    }
    // Waits until no loop runs and no measurement waits.
    bool waitIdle(int ms = 10000)
    {
        return QTest::qWaitFor([this] { return meter.activeTasks() == 0; }, ms);
    }
};

} // namespace pelmix::test
