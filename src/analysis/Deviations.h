#pragma once

#include <QLatin1String>
#include <QtGlobal>

#include <limits>
#include <optional>
#include <span>

namespace pelmix::analysis {

// The frequency stability deviations of NIST Special Publication 1065, each computed from
// phase data x (seconds) taken tau0 apart.
enum class Deviation { Adev, Oadev, Mdev, Tdev, Hdev, Ohdev, Totdev };

inline constexpr Deviation AllDeviations[] = {Deviation::Adev,  Deviation::Oadev, Deviation::Mdev,
                                              Deviation::Tdev,  Deviation::Hdev,  Deviation::Ohdev,
                                              Deviation::Totdev};

// "adev", "oadev", ... as the command line and the files name them.
QLatin1String deviationName(Deviation kind);
std::optional<Deviation> deviationFromName(QLatin1String name);
// "ADEV", "OADEV", ... as tables and plots head them.
QLatin1String deviationLabel(Deviation kind);
// TDEV is a time in seconds; the others are fractional frequency, dimensionless.
bool isTimeDeviation(Deviation kind);

// One deviation at one averaging factor, with the number of terms its sum has as SP 1065
// counts them. NaN and 0 terms where the data are too short for the factor.
struct DeviationValue
{
    qint64 terms = 0;
    double value = std::numeric_limits<double>::quiet_NaN();
};

// `phase` should hold no large linear ramp (see removeFrequencyOffset): every estimator is
// blind to one, but its rounding is not.
DeviationValue deviationAt(Deviation kind, std::span<const double> phase, double tau0, qint64 m);

} // namespace pelmix::analysis
