#pragma once

#include "RunTask.h"

#include "device/InputSettings.h"
#include "device/Link.h"
#include "device/Messenger.h"
#include "device/Shutdown.h"
#include "device/TraceBox.h"
#include "sim/CounterModel.h"
#include "sim/PtyServer.h"

#include <QCoroTask>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStringList>
#include <QTest>

#include <exception>
#include <memory>
#include <optional>
#include <type_traits>

namespace pelmix::test {

// The simulated counter on a real pseudo-terminal and a link with its port open on it.
struct SimRig
{
    sim::CounterModel model;
    sim::PtyServer server{model};
    device::Shutdown shutdown;
    device::TextTrace trace;
    device::Link link{shutdown, trace};

    explicit SimRig(sim::Signal signal = {}, sim::Faults faults = {})
        : model(signal, faults)
    {
        if (auto error = server.start())
            qFatal("cannot start the simulated counter: %s", qPrintable(*error));
        if (auto error = link.setUp(2, server.devicePath()))
            qFatal("cannot open the simulated counter: %s", qPrintable(*error));
    }
};

// Answers every message at once and keeps its text.
class RecordingMessenger : public device::Messenger
{
public:
    QStringList messages;
    QCoro::Task<> message(QString text) override
    {
        messages.append(text);
        co_return;
    }
};

// A front panel of plain values, read by the upload like the real one.
struct PlainSettings : device::InputSettings
{
    device::Mode modeValue = device::Mode::Frequency;
    device::Input inputValue = device::Input::Digital;
    device::Edge edgeValue = device::Edge::Rising;
    bool filter = false;
    int levelValue = 0;
    int time = 0;

    device::Mode mode() const override { return modeValue; }
    device::Input input() const override { return inputValue; }
    device::Edge edge() const override { return edgeValue; }
    bool filterOn() const override { return filter; }
    int level() const override { return levelValue; }
    int position() const override { return time; }
};

inline double secondsOf(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace pelmix::test
