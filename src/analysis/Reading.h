#pragma once

#include <QByteArrayView>
#include <QLatin1String>
#include <QtGlobal>

#include <cmath>
#include <limits>
#include <optional>

namespace pelmix::analysis {

// What a reading measures. The analysis keeps its own list rather than the panel's, so
// that files, the command line and the window agree on it whatever the panel calls things.
enum class Mode { Calibration, Frequency, Period, Interval, Count };

// Why a measurement has no value. Anything but Ok is a gap, never a number.
enum class Status : quint8 { Ok, Timeout, Unreadable, Overflow };

// Everything that decides what a value means. Readings taken with equal setups belong to
// one series; any difference starts another.
struct Setup
{
    Mode mode = Mode::Frequency;
    // The measuring time 10^position ms (frequency, calibration) or the multiplier
    // 10^position (period); 0..4.
    int position = 0;
    bool analog = false;
    int level = 0; // 0..7
    bool fallingEdge = false;
    bool filter = false;

    bool operator==(const Setup &) const = default;
};

// One measurement as stored and exchanged: the unit of input and output.
struct Reading
{
    qint64 utcMs = 0;   // wall clock, milliseconds since 1970-01-01T00:00:00Z
    double elapsed = 0; // monotonic seconds; the wall clock may be set while measuring
    double value = std::numeric_limits<double>::quiet_NaN(); // SI units; NaN for a gap
    Status status = Status::Ok;

    bool isGap() const { return status != Status::Ok; }
};

// The unit of the value: "Hz", "s", or nothing for a count.
QLatin1String unit(Mode mode);
// The unit of the secondary value, or nothing where the panel shows none.
QLatin1String secondaryUnit(Mode mode);
// The period beside a frequency, the frequency beside a period: derived, never stored.
// NaN for a gap, a zero value, or a mode without a secondary value.
double secondary(Mode mode, double value);

// The words the files use.
QLatin1String modeName(Mode mode);
std::optional<Mode> modeFromName(QByteArrayView name);
QLatin1String statusName(Status status);
std::optional<Status> statusFromName(QByteArrayView name);

} // namespace pelmix::analysis
