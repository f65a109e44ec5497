#pragma once

#include "Call.h"
#include "Session.h"

#include <QCoroTask>
#include <QString>

#include <memory>

namespace pelmix::remote {

class Instrument;

// Runs program messages against the counter, through the command table (Commands.h).
// The settings are the instrument's, shared by every connection; each connection has
// its own error queue, status registers and measurement (Session.h).
//
// Connections run side by side: one that waits for a measurement holds up only itself.
// Measurements run one at a time in the order they were started. Each connection awaits
// one execute() before starting its next. The engine may be destroyed while a
// measurement runs; the Instrument must outlive that.
class Engine
{
public:
    explicit Engine(Instrument &instrument);
    ~Engine();
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    // One line without its terminator. Returns the reply to send: the responses of its
    // queries joined by ';', or an empty string when there are none.
    QCoro::Task<QString> execute(QString line, std::shared_ptr<Session> session);

    // The connection left: its measurements end, running or waiting.
    void abandon(const Session &session);
    // Every measurement ends at its next exchange with the counter.
    void abortAll();
    bool isMeasuring() const;

    const Settings &settings() const;

private:
    std::shared_ptr<Shared> m_shared;
};

} // namespace pelmix::remote
