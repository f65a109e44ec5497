#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace pelmix::measure {

// The two displays hold 13 characters each.
inline constexpr qsizetype DisplayWidth = 13;

// `value` with exactly `decimals` decimals, a half rounded away from zero, the locale's
// decimal separator, no group separators, at least one integer digit. Halves are judged
// on the value's 15 significant decimal digits, so 0.125 and 2.675 are exact halves.
QString formatFixed(double value, int decimals, const QLocale &locale = QLocale());

// Number and unit right-aligned in the display's 13 characters; nothing when they are
// longer than that.
std::optional<QString> displayField(const QString &number, const QString &unit);

// What a display shows for a value that does not fit.
inline const QString OverflowText = QStringLiteral("     Overflow");

// The display field, or "Overflow" right-aligned when the value does not fit, so that an
// older result is never left standing as if it were new.
QString displayText(const QString &number, const QString &unit);

// Characters 2 to 1+digits of a data reply read as an unsigned hexadecimal count.
// A field that is empty or holds anything but hexadecimal digits reads as 0.
double decodeCount(const QString &reply, int digits);

} // namespace pelmix::measure
