#include "Allan.h"

#include <algorithm>
#include <cmath>

namespace pelmix::analysis {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Phase as a double-double prefix sum of the values less their mean: `high` carries what
// plain summation gives, `low` the rounding errors it made. A window sum, the difference of
// two phases, is then good to the last digit of its own size however large the phase has
// grown, and taking the mean out first keeps a 10 MHz offset out of the phase altogether.
struct Phase
{
    std::vector<double> high;
    std::vector<double> low;

    explicit Phase(std::span<const double> values)
        : high(values.size() + 1)
        , low(values.size() + 1)
    {
        // Differences from the first value are exact near it, so the mean loses nothing.
        double offsetMean = 0;
        for (std::size_t i = 0; i < values.size(); ++i)
            offsetMean += ((values[i] - values[0]) - offsetMean) / double(i + 1);
        const double reference = values.empty() ? 0 : values[0] + offsetMean;

        double h = 0;
        double l = 0;
        for (std::size_t i = 0; i < values.size(); ++i) {
            const double u = values[i] - reference;
            const double sum = h + u;
            const double back = sum - h;
            l += (h - (sum - back)) + (u - back); // the error of h + u, exactly
            h = sum;
            high[i + 1] = h;
            low[i + 1] = l;
        }
    }

    // The sum of the m values from index i on.
    double window(std::size_t i, std::size_t m) const
    {
        return (high[i + m] - high[i]) + (low[i + m] - low[i]);
    }
};

AllanPoint deviationsAt(const Phase &phase, qint64 count, double tau0, qint64 m)
{
    AllanPoint point;
    point.m = m;
    point.tau = double(m) * tau0;
    if (m < 1)
        return point;
    const auto step = std::size_t(m);
    const double md = double(m);

    // Difference of the averages of two adjacent windows, times m.
    auto difference = [&phase, step](std::size_t i) {
        return phase.window(i + step, step) - phase.window(i, step);
    };

    const qint64 oadevTerms = count - 2 * m + 1;
    if (oadevTerms >= 1) {
        double sum = 0;
        for (std::size_t i = 0; i < std::size_t(oadevTerms); ++i) {
            const double d = difference(i);
            sum += d * d;
        }
        point.oadevTerms = oadevTerms;
        point.oadev = std::sqrt(sum / (2.0 * md * md * double(oadevTerms)));
    }

    const qint64 mdevTerms = count - 3 * m + 2;
    if (mdevTerms >= 1) {
        // The modified deviation averages m consecutive differences before squaring: a
        // sliding sum over them.
        double inner = 0;
        for (std::size_t i = 0; i < step; ++i)
            inner += difference(i);
        double sum = inner * inner;
        for (std::size_t j = 1; j < std::size_t(mdevTerms); ++j) {
            inner += difference(j + step - 1) - difference(j - 1);
            sum += inner * inner;
        }
        point.mdevTerms = mdevTerms;
        point.mdev = std::sqrt(sum / (2.0 * md * md * md * md * double(mdevTerms)));
    }
    return point;
}

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
    const Phase phase(values);
    std::vector<AllanPoint> points;
    points.reserve(factors.size());
    for (const qint64 m : factors)
        points.push_back(deviationsAt(phase, qint64(values.size()), tau0, m));
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
