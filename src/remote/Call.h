#pragma once

#include "ScpiParser.h"

#include "core/Setup.h"

#include <QCoroTask>
#include <QString>

#include <memory>
#include <optional>

namespace pelmix::remote {

class Instrument;
class Trigger;
struct Command;
struct Session;

// The instrument's settings: one set, shared by every connection.
struct Settings
{
    Setup setup;
    int sampleCount = 1;
};
// What *RST sets: frequency, a 1 s measuring time, one reading.
Settings defaultSettings();

// What every connection shares: the counter, its settings and its trigger system.
struct Shared
{
    Instrument &instrument;
    std::shared_ptr<Trigger> trigger;
    Settings settings = defaultSettings();
};

// A parameter once checked against what its command takes.
struct Value
{
    double number = 0;
    int index = 0; // the choice named, or 1 for ON
};

// One command or query being run.
struct Call
{
    const ProgramUnit &unit;
    const Command &command;
    Shared &shared;
    const std::shared_ptr<Session> &session;
    // Responses of this line wait unsent: the status byte's message available bit.
    bool messageAvailable = false;
    Value value;
    ErrorCode error = ErrorCode::NoError;
    QString detail;

    bool isQuery() const { return unit.query; }
    void fail(ErrorCode code, QString why = {})
    {
        error = code;
        detail = std::move(why);
    }
};

// A query's response; nothing for a command, or when the call failed.
using Reply = std::optional<QString>;
using Handler = QCoro::Task<Reply> (*)(Call &call);

} // namespace pelmix::remote
