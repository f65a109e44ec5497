#pragma once

#include <QtGlobal>

#include <limits>
#include <span>
#include <vector>

namespace pelmix::analysis {

// The overlapping Allan deviation and the modified Allan deviation of a series of
// frequency-type values at one averaging factor m, in the unit of the values: the raw
// figures the command line's summary has always printed. The frequency stability proper,
// fractional and with confidence intervals, is in Stability.h.
struct AllanPoint
{
    qint64 m = 0;
    double tau = 0; // m * tau0
    qint64 oadevTerms = 0;
    double oadev = std::numeric_limits<double>::quiet_NaN();
    qint64 mdevTerms = 0;
    double mdev = std::numeric_limits<double>::quiet_NaN();
};

// Averaging factors 1, 2, 4, ... up to `largest`.
std::vector<qint64> octaveFactors(qint64 largest);
// Averaging factors 1, 2, 5, 10, 20, 50, ... up to `largest`.
std::vector<qint64> decadeFactors(qint64 largest);
// The largest factor the window plots for `count` values: beyond a quarter of them the
// deviations rest on too few terms to be worth showing.
qint64 plotFactorLimit(qint64 count);

// Both deviations at each factor, from N values taken tau0 apart: N - 2m + 1 terms for the
// overlapping, N - 3m + 2 for the modified deviation. A factor with no term gives NaN and 0
// terms.
std::vector<AllanPoint> allanDeviations(std::span<const double> values, double tau0,
                                        std::span<const qint64> factors);

// The median of the differences between consecutive times: the sampling interval tau0
// of readings whose spacing a pause or a slow reply may stretch. NaN for fewer than two.
double medianSpacing(std::span<const double> times);

} // namespace pelmix::analysis
