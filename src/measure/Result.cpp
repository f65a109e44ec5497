#include "Result.h"

#include "Display.h"

#include <QDateTime>

#include <cmath>

namespace pelmix::measure {

namespace {

double power10(int n)
{
    return std::pow(10.0, n);
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

} // namespace

float dataTimeout(const Setup &setup)
{
    return modeInfo(setup.mode).timeouts[std::size_t(std::clamp(setup.position, 0, MaxPosition))];
}

Result decodeResult(const Setup &setup, const device::Reply &reply)
{
    const ModeInfo &info = modeInfo(setup.mode);
    Result r;
    r.setup = setup;
    r.reply = reply.text;
    r.utcMs = reply.utcMs;
    r.ended = reply.ended;
    r.count = decodeCount(reply.text, info.digits);
    r.value = info.valueOf(r.count, std::clamp(setup.position, 0, MaxPosition));
    if (!info.secondaryUnit.isEmpty() && r.value != 0)
        r.secondary = 1.0 / r.value;
    if (!reply.complete)
        r.status = Status::Timeout;
    else if (!wellFormed(reply.text, info.digits))
        r.status = Status::Unreadable;
    else if (displayTexts(r).main == OverflowText)
        r.status = Status::Overflow;
    else
        r.status = Status::Ok;
    if (!r.hasValue())
        r.value = r.secondary = std::numeric_limits<double>::quiet_NaN();
    return r;
}

Result unanswered(const Setup &setup, const device::Reply &statusReply)
{
    Result r;
    r.setup = setup;
    r.dataRequested = false;
    r.reply = statusReply.text;
    r.utcMs = statusReply.utcMs;
    r.ended = statusReply.ended;
    r.status = statusReply.complete ? Status::Unreadable : Status::Timeout;
    return r;
}

Result ended(const Setup &setup, Status status, const QString &error)
{
    Result r;
    r.setup = setup;
    r.dataRequested = false;
    r.status = status;
    r.error = error;
    r.utcMs = QDateTime::currentMSecsSinceEpoch();
    r.ended = device::Clock::now();
    return r;
}

DisplayTexts displayTexts(const Result &r)
{
    const double n = r.count;
    const int position = r.setup.position;
    const QString kHz = QStringLiteral("kHz");
    const QString us = QStringLiteral("mkS");
    switch (r.setup.mode) {
    case Mode::Calibration:
    case Mode::Frequency: {
        // The frequency in kHz with `position` decimals; the period in microseconds.
        const double scale = power10(position);
        const double periodUs = n != 0 ? 1000.0 * scale / n : 0.0;
        return {displayText(formatFixed(n / scale, position), kHz),
                displayText(formatFixed(periodUs, 1), us)};
    }
    case Mode::Period: {
        // The period in microseconds; beside it the frequency, in kHz above 1 kHz, else
        // in Hz.
        const int decimals = position + 1;
        const QString period = displayText(formatFixed(n / power10(position + 1), decimals), us);
        const double kHzValue = n != 0 ? power10(position + 4) / n : 0.0;
        if (kHzValue > 1) {
            const int kHzDecimals = position < 3 ? 3 : position + 1;
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
