#pragma once

#include <QCoroTask>
#include <QString>

namespace pelmix::device {
class Link;
}

namespace pelmix::measure {

class FrontPanel;

// What a measuring routine works with: the line, the panel, and the latest reply.
struct Routine
{
    device::Link &link;
    FrontPanel &panel;
    QString &lastReply;
};

// Each routine sends "D" once, decodes the count and writes the displays. A port
// failure goes to the caller with nothing decoded and nothing written.
QCoro::Task<> measureFrequency(Routine r);
QCoro::Task<> measurePeriod(Routine r);
QCoro::Task<> measureInterval(Routine r);
QCoro::Task<> measureCount(Routine r);

// Data-request time-outs, seconds.
inline constexpr float FrequencyTimeouts[] = {1.0f, 1.0f, 1.0f, 1.1f, 11.0f};
inline constexpr float PeriodTimeout = 20.5f;
inline constexpr float IntervalTimeout = 20.5f;
inline constexpr float CountTimeout = 2.0f;

} // namespace pelmix::measure
