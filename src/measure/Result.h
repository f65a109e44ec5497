#pragma once

#include "core/Setup.h"
#include "core/Status.h"
#include "device/Clock.h"
#include "device/Reply.h"

#include <QString>

#include <limits>
#include <optional>

namespace pelmix::measure {

// One measurement's outcome, as a value. The displays are formatted from it, the log
// writes its line from it, the readings, files, command line, SCPI server and metrics
// keep it; none of them ever reads a result back from somewhere else.
struct Result
{
    // The settings sent to the counter; the mode is the one the reply was decoded as.
    Setup setup;
    Status status = Status::Timeout;
    // False when the measurement ended before its data request: nothing is logged.
    bool dataRequested = true;
    // The count as the displays read it: an unreadable field reads as 0.
    double count = 0;
    // In SI units: Hz for frequency and calibration, s for period and interval, pulses
    // for counting; NaN where the counter gave none.
    double value = std::numeric_limits<double>::quiet_NaN();
    // The period beside a frequency, the frequency beside a period (SI); NaN where the
    // panel shows none or the value is 0.
    double secondary = std::numeric_limits<double>::quiet_NaN();
    // The data reply (or the status reply that ended the measurement), as received.
    QString reply;
    // Why a lost or stopped measurement ended: the port's failure, in words.
    QString error;
    // When the reply ended (or the measurement failed), on the wall clock and on the
    // monotonic clock; and how long the measurement took, in seconds.
    qint64 utcMs = 0;
    device::Clock::time_point ended{};
    double duration = 0;

    bool hasValue() const { return status == Status::Ok; }
    // A value the counter gave, confirmed or not.
    bool hasCount() const { return status == Status::Ok || status == Status::Unconfirmed; }
};

// The data request's time-out for a setup.
float dataTimeout(const Setup &setup);

// Decodes a data reply. Pure: the same reply always gives the same result.
Result decodeResult(const Setup &setup, const device::Reply &reply);
// The result of a measurement whose status query got no usable answer.
Result unanswered(const Setup &setup, const device::Reply &statusReply);
// The result of a measurement that ended without a reply: lost, stopped, or never
// started because its settings cannot be set.
Result ended(const Setup &setup, Status status, const QString &error);

// What the two displays show for a result, right-aligned in 13 characters, "Overflow"
// where a value does not fit. Counting leaves the second display as it is.
struct DisplayTexts
{
    QString main;
    std::optional<QString> second;
};
DisplayTexts displayTexts(const Result &result);

} // namespace pelmix::measure
