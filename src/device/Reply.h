#pragma once

#include "Clock.h"

#include <QString>

namespace pelmix::device {

// What one exchange brought back: the text filtered as the trace shows it (no stray
// line feeds, one after every carriage return), and whether the reply was complete, that
// is, a carriage return arrived before the deadline. On a time-out the text holds
// whatever came, possibly nothing.
//
// The reply is stamped once, when it ended, on the wall clock and on the monotonic
// clock: every record of a measurement takes its time from here.
struct Reply
{
    QString text;
    bool complete = false;
    qint64 utcMs = 0;
    Clock::time_point ended{};

    qsizetype size() const { return text.size(); }
};

} // namespace pelmix::device
