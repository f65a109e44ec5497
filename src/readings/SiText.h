#pragma once

#include <QString>

namespace pelmix::readings {

// A value for people: "12.345678 kHz", "81 µs", "1500" (no unit: a count, as it is).
// The prefix keeps the number from 1 to below 1000 where one fits; the digits are the
// value's own, without the binary noise that scaling adds.
QString withSiPrefix(double value, const QString &unit);

} // namespace pelmix::readings
