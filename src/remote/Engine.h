#pragma once

#include "Instrument.h"
#include "ScpiErrors.h"

#include <QCoroTask>
#include <QString>

#include <memory>
#include <optional>

namespace pelmix::remote {

// What the engine keeps of one client: its error queue, and whether it is still there.
struct Session
{
    ErrorQueue errors;
    // The client left: what it asked for is not finished, no more of it is measured.
    bool gone = false;
};

// The measuring time position for a time in seconds: the nearest decade (on a log scale)
// from 1 ms to 10 s. Nothing outside that range.
std::optional<int> gatePosition(double seconds);
double gateSeconds(int position);

// Runs program messages against the counter. The settings, readings and statistics are
// shared by every client; the errors are each client's own.
//
// One program message at a time: the caller awaits one execute() before starting the next.
// The engine may be destroyed while a measurement runs; the Instrument must outlive that.
class Engine
{
public:
    static constexpr int MaxSampleCount = 1000;

    explicit Engine(Instrument &instrument);
    ~Engine();
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    // One line without its terminator. Returns the reply to send: the responses of its
    // queries joined by ';', or an empty string when there are none.
    QCoro::Task<QString> execute(QString line, std::shared_ptr<Session> session);

    const Setup &configuration() const;
    int sampleCount() const;

private:
    class State;
    std::shared_ptr<State> m_state;
};

} // namespace pelmix::remote
