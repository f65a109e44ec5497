#pragma once

#include "remote/Instrument.h"

#include <QCoroSignal>
#include <QCoroTimer>
#include <QList>
#include <QObject>

#include <algorithm>
#include <chrono>

namespace pelmix::test {

// A counter that answers from a script of readings and falls silent when they run out.
// Each measurement waits for the event loop, or for release() while held, so that any
// overlap of two measurements would show in mostAtOnce.
class FakeCounter : public QObject, public remote::Instrument
{
    Q_OBJECT
public:
    QString model() const override { return u"PX-1"_qs; }
    QString port() const override { return u"Com2 (/dev/pts/7)"_qs; }
    QString version() const override { return u"1.4.0"_qs; }

    QCoro::Task<remote::Measurement> measure(remote::Configuration configuration) override
    {
        asked << configuration;
        mostAtOnce = std::max(mostAtOnce, ++running);
        emit started();
        if (held)
            co_await qCoro(this, &FakeCounter::released);
        else
            co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        --running;
        if (script.isEmpty())
            co_return remote::Measurement{false, 0, u"no reply within 2 s"_qs};
        co_return remote::Measurement{true, script.takeFirst(), {}};
    }

    void release()
    {
        held = false;
        emit released();
    }

    QList<double> script;
    bool held = false;
    QList<remote::Configuration> asked;
    int running = 0;
    int mostAtOnce = 0;

signals:
    void started();
    void released();
};

} // namespace pelmix::test
