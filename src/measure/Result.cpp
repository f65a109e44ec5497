#include "Result.h"

#include "Display.h"

#include <algorithm>

namespace pelmix::measure {

using device::Mode;

namespace {

constexpr float FrequencyTimeouts[] = {1.0f, 1.0f, 1.0f, 1.1f, 11.0f};
constexpr float PeriodTimeout = 20.5f;
constexpr float IntervalTimeout = 20.5f;
constexpr float CountTimeout = 2.0f;

double power10(int n)
{
    return std::pow(10.0, n);
}

bool isFrequency(Mode mode)
{
    return mode == Mode::Frequency || mode == Mode::Calibration;
}

// The mode letter, exactly `digits` hexadecimal digits, then the carriage return.
bool wellFormed(const QString &reply, int digits)
{
    if (reply.size() < digits + 2 || reply.at(digits + 1) != QChar(13))
        return false;
    for (int i = 1; i <= digits; ++i) {
        const char16_t c = reply.at(i).unicode();
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f')))
            return false;
    }
    return true;
}

// The value in SI units and its secondary, from the count.
void scale(Result &r)
{
    const double n = r.count;
    switch (r.mode) {
    case Mode::Calibration:
    case Mode::Frequency:
        // The count over 10^position ms.
        r.value = n * 1000.0 / power10(r.position);
        break;
    case Mode::Period:
        // The period in units of 10^-(position+1) microseconds.
        r.value = n / power10(r.position + 7);
        break;
    case Mode::Interval:
        // Tenths of a microsecond.
        r.value = n / 1e7;
        break;
    case Mode::Count:
        r.value = n;
        break;
    }
    if ((isFrequency(r.mode) || r.mode == Mode::Period) && r.value != 0)
        r.secondary = 1.0 / r.value;
}

} // namespace

QString unitOf(Mode mode)
{
    switch (mode) {
    case Mode::Calibration:
    case Mode::Frequency:
        return QStringLiteral("Hz");
    case Mode::Period:
    case Mode::Interval:
        return QStringLiteral("s");
    case Mode::Count:
        break;
    }
    return {};
}

QString secondaryUnitOf(Mode mode)
{
    if (isFrequency(mode))
        return QStringLiteral("s");
    return mode == Mode::Period ? QStringLiteral("Hz") : QString();
}

QString statusName(Status status)
{
    switch (status) {
    case Status::Ok:
        return QStringLiteral("ok");
    case Status::Timeout:
        return QStringLiteral("timeout");
    case Status::Unreadable:
        return QStringLiteral("unreadable");
    case Status::Overflow:
        break;
    }
    return QStringLiteral("overflow");
}

DataRequest dataRequest(Mode mode, int position)
{
    switch (mode) {
    case Mode::Calibration:
    case Mode::Frequency:
        return {8, FrequencyTimeouts[std::clamp(position, 0, 4)]};
    case Mode::Period:
        return {12, PeriodTimeout};
    case Mode::Interval:
        return {12, IntervalTimeout};
    case Mode::Count:
        break;
    }
    return {12, CountTimeout};
}

Result decodeResult(Mode mode, int position, const device::Reply &reply)
{
    Result r;
    r.mode = mode;
    r.position = position;
    r.reply = reply.text;
    const int digits = dataRequest(mode, position).digits;
    r.count = decodeCount(reply.text, digits);
    scale(r);
    if (!reply.complete)
        r.status = Status::Timeout;
    else if (!wellFormed(reply.text, digits))
        r.status = Status::Unreadable;
    else if (displayTexts(r).main == OverflowText)
        r.status = Status::Overflow;
    else
        r.status = Status::Ok;
    return r;
}

Result unanswered(Mode mode, int position, const device::Reply &statusReply)
{
    Result r;
    r.mode = mode;
    r.position = position;
    r.dataRequested = false;
    r.reply = statusReply.text;
    r.status = statusReply.complete ? Status::Unreadable : Status::Timeout;
    r.value = std::numeric_limits<double>::quiet_NaN();
    return r;
}

InputValues currentSettings(const device::InputSettings &panel, Mode mode, int position)
{
    return {mode, panel.input(), panel.edge(), panel.filterOn(), panel.level(), position};
}

DisplayTexts displayTexts(const Result &r)
{
    const double n = r.count;
    const QString kHz = QStringLiteral("kHz");
    const QString us = QStringLiteral("mkS");
    switch (r.mode) {
    case Mode::Calibration:
    case Mode::Frequency: {
        // The frequency in kHz with `position` decimals; the period in microseconds.
        const double scale = power10(r.position);
        const double periodUs = n != 0 ? 1000.0 * scale / n : 0.0;
        return {displayText(formatFixed(n / scale, r.position), kHz),
                displayText(formatFixed(periodUs, 1), us)};
    }
    case Mode::Period: {
        // The period in microseconds; beside it the frequency, in kHz above 1 kHz, else
        // in Hz.
        const int decimals = r.position + 1;
        const QString period = displayText(formatFixed(n / power10(r.position + 1), decimals), us);
        const double kHzValue = n != 0 ? power10(r.position + 4) / n : 0.0;
        if (kHzValue > 1) {
            const int kHzDecimals = r.position < 3 ? 3 : r.position + 1;
            return {period, displayText(formatFixed(kHzValue, kHzDecimals), kHz)};
        }
        return {period, displayText(formatFixed(kHzValue * 1000, decimals), QStringLiteral("Hz"))};
    }
    case Mode::Interval:
        return {displayText(formatFixed(n / 10, 1), us), QString()};
    case Mode::Count:
        break;
    }
    return {displayText(formatFixed(n, 0), QString()), std::nullopt};
}

} // namespace pelmix::measure
