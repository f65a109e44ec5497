#pragma once

#include "InputValues.h"

#include "device/Reply.h"

#include <QString>

#include <cmath>
#include <limits>
#include <optional>

namespace pelmix::measure {

// What a measurement's value is worth.
enum class Status {
    Ok,         // a complete reply with a count the main display shows
    Timeout,    // no complete reply before the deadline (or none at all)
    Unreadable, // a complete reply whose count field is not the mode's hexadecimal digits
    Overflow,   // the value does not fit the main display
};

// One measurement's outcome, as a value. The displays are formatted from it, the log
// writes its line from it, and the readings keep it; none of them ever reads a result
// back from somewhere else.
struct Result
{
    device::Mode mode = device::Mode::Frequency;
    // Measuring time 10^position ms (frequency, calibration) or multiplier 10^position
    // (period).
    int position = 0;
    // The input settings the measurement ran with (mode and position as above).
    InputValues settings;
    Status status = Status::Timeout;
    // False when the measurement ended at the status query: no data was asked for, and
    // nothing is logged.
    bool dataRequested = true;
    // The count as the displays read it: an unreadable field reads as 0.
    double count = 0;
    // In SI units: Hz for frequency and calibration, s for period and interval, pulses
    // for counting.
    double value = 0;
    // The period beside a frequency, the frequency beside a period (SI); NaN where the
    // panel shows none or the value is 0.
    double secondary = std::numeric_limits<double>::quiet_NaN();
    // The data reply (or the status reply that ended the measurement), as received.
    QString reply;

    bool hasValue() const { return status == Status::Ok; }
};

// "Hz", "s" or "" (counts).
QString unitOf(device::Mode mode);
// "s" beside a frequency, "Hz" beside a period, "" where there is none.
QString secondaryUnitOf(device::Mode mode);
// "ok", "timeout", "unreadable", "overflow".
QString statusName(Status status);

// The data request of a mode: the digits of its count field and the reply time-out.
struct DataRequest
{
    int digits = 8;
    float timeout = 1.0f;
};
DataRequest dataRequest(device::Mode mode, int position);

// Decodes a data reply. Pure: the same reply always gives the same result.
Result decodeResult(device::Mode mode, int position, const device::Reply &reply);
// The result of a measurement whose status query got no usable answer.
Result unanswered(device::Mode mode, int position, const device::Reply &statusReply);
// The settings a panel shows now, as a result records them.
InputValues currentSettings(const device::InputSettings &panel, device::Mode mode, int position);

// What the two displays show for a result, right-aligned in 13 characters, "Overflow"
// where a value does not fit. Counting leaves the second display as it is.
struct DisplayTexts
{
    QString main;
    std::optional<QString> second;
};
DisplayTexts displayTexts(const Result &result);

} // namespace pelmix::measure
