#pragma once

#include "core/Setup.h"
#include "core/Status.h"

#include <QtGlobal>

#include <cmath>
#include <limits>

namespace pelmix::analysis {

// One measurement as stored and exchanged: the unit of input and output.
struct Reading
{
    qint64 utcMs = 0;   // wall clock, milliseconds since 1970-01-01T00:00:00Z
    double elapsed = 0; // monotonic seconds; the wall clock may be set while measuring
    // SI units; NaN where the counter gave none. An unconfirmed reading keeps its value.
    double value = std::numeric_limits<double>::quiet_NaN();
    Status status = Status::Ok;

    bool isGap() const { return status != Status::Ok; }
    bool hasValue() const { return status == Status::Ok || status == Status::Unconfirmed; }
};

// The period beside a frequency, the frequency beside a period: derived, never stored.
// NaN for a gap, a zero value, or a mode without a secondary value.
double secondary(Mode mode, double value);

} // namespace pelmix::analysis
