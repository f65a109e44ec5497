#pragma once

#include <QString>

#include <deque>

namespace pelmix::remote {

// The error and event numbers the server reports, with the standard SCPI meanings.
// Negative codes are the standard ones; positive codes are this program's own.
enum class ErrorCode : int {
    NoError = 0,
    Command = -100,
    Syntax = -102,
    DataType = -104,
    ParameterNotAllowed = -108,
    MissingParameter = -109,
    UndefinedHeader = -113,
    InvalidSuffix = -131,
    SuffixNotAllowed = -138,
    InitIgnored = -213,
    Parameter = -220,
    DataOutOfRange = -222,
    IllegalParameterValue = -224,
    // Also what a measurement ended by ABORt, *RST, a disconnect or shutdown gives: its
    // reading was started and never completed.
    DataStale = -230,
    QueueOverflow = -350,
    InputBufferOverrun = -363,
    QueryInterrupted = -410,
    QueryUnterminated = -420,
    NoReply = 301,        // the counter did not answer, or its port is gone
    TooManyClients = 310, // sent to a client beyond the limit, before the close
};

QString errorText(ErrorCode code);
// -199..-100: the message was not understood, so the rest of its line is not run.
bool isCommandError(ErrorCode code);
// The event status register's bits (IEEE 488.2).
namespace EventBit {
inline constexpr quint8 OperationComplete = 0x01;
inline constexpr quint8 QueryError = 0x04;
inline constexpr quint8 DeviceError = 0x08;
inline constexpr quint8 ExecutionError = 0x10;
inline constexpr quint8 CommandError = 0x20;
} // namespace EventBit

// The event bit an error sets: -1xx command, -2xx execution, -3xx and this program's own
// device-dependent, -4xx query error.
quint8 eventBit(ErrorCode code);

struct Error
{
    ErrorCode code = ErrorCode::NoError;
    QString detail; // appended after ';' inside the quotes
};

// SYSTem:ERRor? form: -113,"Undefined header" or +301,"No reply from the counter;time-out".
QString formatError(const Error &error);

// The errors of one client, oldest first. When it is full, the newest entry becomes
// -350 Queue overflow and later errors are lost until it is read.
class ErrorQueue
{
public:
    static constexpr int Capacity = 16;

    void push(ErrorCode code, const QString &detail = {});
    // The oldest error, or NoError when there is none.
    Error pop();
    void clear() { m_errors.clear(); }
    int size() const { return int(m_errors.size()); }

private:
    std::deque<Error> m_errors;
};

} // namespace pelmix::remote
