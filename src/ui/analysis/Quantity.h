#pragma once

#include "analysis/Reading.h"

#include <QString>

#include <optional>

namespace pelmix::ui {

// An SI prefix: the factor it stands for and its symbol ("k", "µ", or none).
struct Prefix
{
    double factor = 1;
    QString symbol;
};

// The prefix that puts `magnitude` between 1 and 1000 (pico to giga). A count has no unit
// and takes no prefix: "1200 pulses" reads better than "1.2 k".
Prefix prefixFor(double magnitude, QLatin1String unit);

// The step between two readings of a setup one count apart: the counter's resolution, in
// the unit of the values.
double resolution(const pelmix::Setup &setup);

// `value` rounded to `step`, with the prefix that suits it and the digits the step has:
// 12345.6 Hz at a 1 Hz step is "12.346 kHz". Six significant digits when the step is
// unknown; a dash for no value.
QString formatQuantity(double value, QLatin1String unit, double step);
// The same in a given prefix, such as the one of the values a spread belongs to: "0.00 µs"
// rather than "0 s".
QString formatQuantity(double value, QLatin1String unit, double step, const Prefix &prefix);
// `value` to `digits` significant digits, with a prefix: "3.16 mHz".
QString formatSignificant(double value, QLatin1String unit, int digits = 3);

// A quantity as a person types it: "12.5 kHz", "12500", "81us", "81 µs", "-3e-3". Nothing
// for an empty text; `ok` tells whether the text was understood.
std::optional<double> parseQuantity(const QString &text, QLatin1String unit, bool *ok);

// A step of 1, 2 or 5 times a power of ten that cuts `span` into about `ticks` parts, and
// the decimals that print it.
double niceStep(double span, int ticks);
int decimalsFor(double step);

// What a series measures, as an axis names it: "Frequency", "Period", "Time interval",
// "Count".
QString quantityName(pelmix::Mode mode);
// What a setup measures, and over what time: "Frequency, measuring time 1 s".
QString describeMeasurement(const pelmix::Setup &setup);
// The setup in words: "Frequency, measuring time 1 s, digital input, level 0, rising
// edge, filter off".
QString describeSetup(const pelmix::Setup &setup);
// Whether the Allan deviations mean something for the mode: frequency-type values.
bool hasAllanDeviation(pelmix::Mode mode);

} // namespace pelmix::ui
