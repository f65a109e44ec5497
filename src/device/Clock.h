#pragma once

#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace pelmix::device {

// Every wait runs on a monotonic clock, so no deadline breaks at midnight or when
// the wall clock is set.
using Clock = std::chrono::steady_clock;

// Time-outs and pauses are single-precision seconds (1.1 s is the float nearest 1.1).
// Any pause the options dialog accepts fits: beyond a century a wait is endless anyway.
inline Clock::duration seconds(float s)
{
    constexpr double Longest = 100.0 * 365 * 24 * 3600;
    const double bounded = std::isnan(s) ? 0.0 : std::clamp(double(s), 0.0, Longest);
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(bounded));
}

// Seconds since `since`, as the stepping budgets compare them: rounded to single precision.
inline float secondsSince(Clock::time_point since)
{
    return float(std::chrono::duration<double>(Clock::now() - since).count());
}

// Nearest integer, ties to even, saturated to the 16-bit range of the progress variable.
inline qint16 roundHalfEven16(double value)
{
    if (std::isnan(value))
        return 0;
    const double r = std::nearbyint(value); // the default rounding mode is to-nearest-even
    if (r > 32767.0)
        return 32767;
    if (r < -32768.0)
        return -32768;
    return qint16(r);
}

} // namespace pelmix::device
