#include "Reading.h"

namespace pelmix::analysis {

namespace {

constexpr Mode Modes[] = {Mode::Calibration, Mode::Frequency, Mode::Period, Mode::Interval,
                          Mode::Count};
constexpr Status Statuses[] = {Status::Ok, Status::Timeout, Status::Unreadable, Status::Overflow};

} // namespace

QLatin1String unit(Mode mode)
{
    switch (mode) {
    case Mode::Calibration:
    case Mode::Frequency:
        return QLatin1String("Hz");
    case Mode::Period:
    case Mode::Interval:
        return QLatin1String("s");
    case Mode::Count:
        break;
    }
    return QLatin1String("");
}

QLatin1String secondaryUnit(Mode mode)
{
    switch (mode) {
    case Mode::Calibration:
    case Mode::Frequency:
        return QLatin1String("s");
    case Mode::Period:
        return QLatin1String("Hz");
    case Mode::Interval:
    case Mode::Count:
        break;
    }
    return QLatin1String("");
}

double secondary(Mode mode, double value)
{
    const bool reciprocal =
        mode == Mode::Calibration || mode == Mode::Frequency || mode == Mode::Period;
    if (!reciprocal || value == 0 || !std::isfinite(value))
        return std::numeric_limits<double>::quiet_NaN();
    return 1.0 / value;
}

QLatin1String modeName(Mode mode)
{
    switch (mode) {
    case Mode::Calibration:
        return QLatin1String("calibration");
    case Mode::Frequency:
        return QLatin1String("frequency");
    case Mode::Period:
        return QLatin1String("period");
    case Mode::Interval:
        return QLatin1String("interval");
    case Mode::Count:
        return QLatin1String("count");
    }
    return QLatin1String("");
}

std::optional<Mode> modeFromName(QByteArrayView name)
{
    for (const Mode mode : Modes) {
        if (name == QByteArrayView(modeName(mode).data(), modeName(mode).size()))
            return mode;
    }
    return std::nullopt;
}

QLatin1String statusName(Status status)
{
    switch (status) {
    case Status::Ok:
        return QLatin1String("ok");
    case Status::Timeout:
        return QLatin1String("timeout");
    case Status::Unreadable:
        return QLatin1String("unreadable");
    case Status::Overflow:
        return QLatin1String("overflow");
    }
    return QLatin1String("");
}

std::optional<Status> statusFromName(QByteArrayView name)
{
    for (const Status status : Statuses) {
        if (name == QByteArrayView(statusName(status).data(), statusName(status).size()))
            return status;
    }
    return std::nullopt;
}

} // namespace pelmix::analysis
