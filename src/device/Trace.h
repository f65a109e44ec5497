#pragma once

#include <QString>

namespace pelmix::device {

class TraceBox;

// The trace holds about this many characters: when it is longer before an append,
// its oldest TraceTrim characters go.
inline constexpr qsizetype TraceLimit = 16000;
inline constexpr qsizetype TraceTrim = 4096;

// A reply as the exchange returns it: backspaces applied, line feeds removed, a line
// feed after every carriage return. A backspace with nothing before it in the reply
// erases the trace's last character instead.
struct FilteredReply
{
    QString text;
    bool erasesPrevious = false;
};

FilteredReply filterReply(const QString &raw);

// Appends a filtered reply to the trace, trimming it first when it has grown too long.
void appendToTrace(TraceBox &trace, const FilteredReply &reply);

} // namespace pelmix::device
