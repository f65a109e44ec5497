#include "Allan.h"

#include "Deviations.h"
#include "PhaseData.h"

#include <algorithm>
#include <cmath>

namespace pelmix::analysis {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

std::vector<qint64> octaveFactors(qint64 largest)
{
    std::vector<qint64> factors;
    for (qint64 m = 1; m <= largest; m *= 2) {
        factors.push_back(m);
        if (m > largest / 2)
            break;
    }
    return factors;
}

std::vector<qint64> decadeFactors(qint64 largest)
{
    std::vector<qint64> factors;
    for (qint64 decade = 1; decade <= largest; decade *= 10) {
        for (const qint64 step : {1, 2, 5}) {
            if (decade <= largest / step)
                factors.push_back(decade * step);
        }
        if (decade > largest / 10)
            break;
    }
    return factors;
}

qint64 plotFactorLimit(qint64 count)
{
    return std::max<qint64>(1, count / 4);
}

std::vector<AllanPoint> allanDeviations(std::span<const double> values, double tau0,
                                        std::span<const qint64> factors)
{
    // Taken with tau0 = 1 as fractional frequency, the values give deviations in their own
    // unit, whether or not the real tau0 is known.
    const PhaseData data = phaseData(Measured::Fractional, values, 1.0);
    std::vector<AllanPoint> points;
    points.reserve(factors.size());
    for (const qint64 m : factors) {
        AllanPoint &point = points.emplace_back();
        point.m = m;
        point.tau = double(m) * tau0;
        if (data.phase.empty())
            continue;
        const DeviationValue overlapping = deviationAt(Deviation::Oadev, data.phase, 1.0, m);
        const DeviationValue modified = deviationAt(Deviation::Mdev, data.phase, 1.0, m);
        point.oadevTerms = overlapping.terms;
        point.oadev = overlapping.value;
        point.mdevTerms = modified.terms;
        point.mdev = modified.value;
    }
    return points;
}

double medianSpacing(std::span<const double> times)
{
    if (times.size() < 2)
        return NaN;
    std::vector<double> spacing(times.size() - 1);
    for (std::size_t i = 0; i + 1 < times.size(); ++i)
        spacing[i] = times[i + 1] - times[i];
    const auto middle = spacing.begin() + std::ptrdiff_t(spacing.size() / 2);
    std::nth_element(spacing.begin(), middle, spacing.end());
    if (spacing.size() % 2)
        return *middle;
    // An even count: the mean of the two middle ones; the lower is the largest below.
    return (*std::max_element(spacing.begin(), middle) + *middle) / 2;
}

} // namespace pelmix::analysis
