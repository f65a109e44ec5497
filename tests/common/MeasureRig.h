#pragma once

#include "SimRig.h"

#include "measure/Meter.h"

namespace pelmix::test {

// The simulated counter and the meter measuring on it, with every outcome kept.
struct MeasureRig : SimRig
{
    TestPanel panel;
    RecordingReporter reporter;
    measure::Meter meter{link, panel, reporter};
    QList<measure::Result> results;
    bool cycleShown = false;

    explicit MeasureRig(sim::Signal signal = {}, sim::Faults faults = {})
        : SimRig(signal, faults)
    {
        QObject::connect(&meter, &measure::Meter::measured, &meter,
                         [this](const measure::Result &result) { results.append(result); });
        QObject::connect(&meter, &measure::Meter::cycleRunningChanged, &meter,
                         [this](bool running) { cycleShown = running; });
    }
    ~MeasureRig()
    {
        // Every loop and wait ends before the objects it uses go.
        shutdown.trigger();
    }
    // The main display's text of every measurement that asked for data, as the log has it.
    QStringList logged() const
    {
        QStringList lines;
        for (const measure::Result &result : results)
            if (result.dataRequested)
                lines.append(measure::displayTexts(result).main);
        return lines;
    }
    // Waits until no loop runs and no measurement waits.
    bool waitIdle(int ms = 10000)
    {
        return QTest::qWaitFor([this] { return meter.activeTasks() == 0; }, ms);
    }
};

} // namespace pelmix::test
