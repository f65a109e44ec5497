#pragma once

#include "RunTask.h"

#include "device/InputSettings.h"
#include "device/Link.h"
#include "device/Shutdown.h"
#include "device/TraceBox.h"
#include "measure/Reporter.h"
#include "sim/CounterModel.h"
#include "sim/PtyServer.h"

#include <QCoroTask>
#include <QElapsedTimer>
#include <QStringList>
#include <QTest>

namespace pelmix::test {

// The simulated counter on a real pseudo-terminal and a link with its port open on it;
// every reply also goes to `trace`.
struct SimRig
{
    sim::CounterModel model;
    sim::PtyServer server{model};
    device::Shutdown shutdown;
    device::TextTrace trace;
    device::Link link{shutdown};

    explicit SimRig(sim::Signal signal = {}, sim::Faults faults = {})
        : model(signal, faults)
    {
        if (auto error = server.start())
            qFatal("cannot start the simulated counter: %s", qPrintable(*error));
        if (auto error = link.setUp(2, server.devicePath()))
            qFatal("cannot open the simulated counter: %s", qPrintable(*error));
        QObject::connect(
            &link, &device::Link::replyReceived, &link,
            [this](const device::FilteredReply &reply) { device::appendToTrace(trace, reply); });
    }
};

// Acknowledges every report at once and keeps its text.
class RecordingReporter : public measure::Reporter
{
public:
    QStringList messages;
    QCoro::Task<> report(QString text) override
    {
        messages.append(text);
        co_return;
    }
};

// Input settings that a test may change while an upload reads them.
struct TestPanel : device::InputSettings
{
    Setup values;

    pelmix::Mode mode() const override { return values.mode; }
    bool analog() const override { return values.analog; }
    bool fallingEdge() const override { return values.fallingEdge; }
    bool filterOn() const override { return values.filter; }
    int level() const override { return values.level; }
    int position() const override { return values.position; }
};

inline double secondsOf(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace pelmix::test
