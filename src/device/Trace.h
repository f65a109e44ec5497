#pragma once

#include <QString>

namespace pelmix::device {

class TraceBox;

// The trace holds about this many characters: when it is longer before an append,
// its oldest TraceTrim characters go.
inline constexpr qsizetype TraceLimit = 16000;
inline constexpr qsizetype TraceTrim = 4096;

// Filters a reply in place (backspaces applied, line feeds removed, a line feed after
// every carriage return) and appends it to the trace. A backspace at the start of the
// reply erases the last character of the trace, if there is one.
void appendToTrace(TraceBox &trace, QString &reply);

} // namespace pelmix::device
