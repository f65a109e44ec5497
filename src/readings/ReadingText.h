#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace pelmix::readings {

// Numbers and times as every reading file writes them: '.' as the decimal point whatever
// the locale, and the shortest form that reads back as the same double.

// Empty for NaN.
QByteArray formatNumber(double value);
// A finite number, with an optional '+' and surrounding blanks; nothing otherwise.
std::optional<double> parseNumber(QByteArrayView text);

// ISO 8601 in UTC with milliseconds: 2024-05-01T12:34:56.789Z.
QByteArray formatUtc(qint64 utcMs);
// That form back; a fraction of up to nine digits is cut to milliseconds.
std::optional<qint64> parseUtc(QByteArrayView text);

} // namespace pelmix::readings
