#pragma once

#include "Reading.h"

#include <limits>
#include <optional>
#include <span>
#include <vector>

namespace pelmix::analysis {

// What a run of numbers measures, as the stability analysis takes it.
enum class Measured {
    Phase,      // time error in seconds, such as a time-interval series
    Frequency,  // Hz, against a nominal frequency
    Period,     // seconds, a frequency through f = 1 / T
    Fractional, // fractional frequency y, dimensionless
};

// The phase x (seconds, one more point than there were frequency values) that every
// deviation is computed from, with its mean frequency taken out: the deviations are blind
// to it, their rounding is not.
struct PhaseData
{
    std::vector<double> phase;
    double tau0 = std::numeric_limits<double>::quiet_NaN();
    // Noise identification averages frequency data and decimates phase data, as the
    // field's tools do; it needs to know which the numbers were.
    bool fromFrequency = false;
    // The nominal frequency (Hz) or period (s) the fractional frequency is taken against;
    // NaN for phase and fractional data.
    double nominal = std::numeric_limits<double>::quiet_NaN();
    bool nominalTyped = false;
};

// What readings of a mode are to the stability analysis: frequency and period as they
// are, a time interval phase; counts and calibration none.
std::optional<Measured> measuredOf(Mode mode);

// The fractional frequency offset of a mean value from the nominal: (f - f0) / f0 for
// frequency, (T0 - T) / T for period. NaN for phase and fractional data.
double fractionalOffset(Measured measured, double mean, double nominal);
// A slope of the values (their unit per second) as fractional frequency per second, about
// their mean. NaN for phase and fractional data.
double fractionalRate(Measured measured, double slope, double mean);

// `nominal`, in the unit of the values, is used where given and not 0; otherwise the mean
// of the values (for a period series, the mean frequency) is. Fewer than two values give
// an empty phase.
PhaseData phaseData(Measured measured, std::span<const double> values, double tau0,
                    std::optional<double> nominal = std::nullopt);

// Fractional frequency y = (f - f0) / f0 of frequency or period values; fractional values
// as they are. Not for phase.
std::vector<double> fractionalFrequency(Measured measured, std::span<const double> values,
                                        double nominal);

} // namespace pelmix::analysis
