#pragma once

#include <QByteArrayView>
#include <QLatin1StringView>
#include <QtGlobal>

#include <cstddef>
#include <optional>

namespace pelmix {

// What a measurement's value is worth. Anything but Ok is left out of statistics.
enum class Status : quint8 {
    Ok,          // a value measured with the settings the counter confirmed
    Timeout,     // no complete reply before the deadline (or none at all)
    Unreadable,  // a complete reply whose count field is not the mode's hexadecimal digits
    Overflow,    // the value does not fit the main display
    Unconfirmed, // a value, but the counter did not confirm the settings it was taken with
    Lost,        // the port failed before the reply
    Stopped,     // the measurement was stopped before its reply
};
// How many there are: the last one's number and one.
inline constexpr std::size_t StatusCount = std::size_t(Status::Stopped) + 1;

// The words files and messages use: "ok", "timeout", ...
QLatin1StringView statusName(Status status);
std::optional<Status> statusFromName(QByteArrayView name);

} // namespace pelmix
