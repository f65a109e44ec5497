#pragma once

#include "Deviations.h"
#include "PhaseData.h"

#include <QString>
#include <QtGlobal>

#include <limits>
#include <optional>
#include <span>
#include <vector>

namespace pelmix::analysis {

// Two-sided, one standard deviation of a normal distribution, as stability plots show.
inline constexpr double DefaultConfidence = 0.683;

// One deviation at one averaging factor with its noise type and its chi-squared
// confidence interval. NaN (and no alpha) where a figure cannot be had.
struct StabilityPoint
{
    qint64 m = 0;
    double tau = 0; // m * tau0, seconds
    qint64 terms = 0;
    double value = std::numeric_limits<double>::quiet_NaN();
    std::optional<int> alpha;
    // Too few averages to identify the noise: white FM is assumed for the interval, as is
    // customary, and said.
    bool alphaAssumed = false;
    double edf = std::numeric_limits<double>::quiet_NaN();
    double low = std::numeric_limits<double>::quiet_NaN();
    double high = std::numeric_limits<double>::quiet_NaN();
};

struct StabilityCurve
{
    Deviation kind = Deviation::Oadev;
    std::vector<StabilityPoint> points;
};

// "WFM"; an assumed type in parentheses, "(WFM)"; empty for none.
QString noiseLabel(const StabilityPoint &point);

// The interval that holds the true deviation with probability `confidence`, from the
// chi-squared distribution with `edf` degrees of freedom. NaN for edf <= 0.
std::pair<double, double> confidenceInterval(double deviation, double edf, double confidence);

// Each deviation at each factor. The noise is identified once per factor for ADEV and
// HDEV, and once for the others.
std::vector<StabilityCurve> stability(const PhaseData &data, std::span<const Deviation> kinds,
                                      std::span<const qint64> factors,
                                      double confidence = DefaultConfidence);

} // namespace pelmix::analysis
