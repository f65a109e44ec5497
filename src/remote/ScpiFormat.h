#pragma once

#include <QString>

namespace pelmix::remote {

// What instruments send for "no number": a failed measurement, statistics of nothing.
inline constexpr double NotANumber = 9.91e37;

// +1.23456000000000E+004: sign, one digit, 14 decimals, 'E', sign, three exponent digits.
// NaN and infinities become 9.91E37 in the same form.
QString formatNumber(double value);
// +5
QString formatInteger(qint64 value);

} // namespace pelmix::remote
