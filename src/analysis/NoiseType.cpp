#include "NoiseType.h"

#include "Deviations.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace pelmix::analysis {

namespace {

// Fewer averages than this leave the lag 1 autocorrelation too scattered to trust.
constexpr qint64 AutocorrelationAverages = 30;
// The B1 ratio of two averages is 1 whatever the noise, and of three hardly better.
constexpr qint64 RatioPoints = 4;
// Differencing stops here: enough for every type the Allan variances tell apart.
constexpr int MostDifferences = 2;

struct Named
{
    int alpha;
    const char *abbreviation;
    const char *name;
};

constexpr Named Names[] = {
    {2, "WPM", "white PM"},    {1, "FPM", "flicker PM"},       {0, "WFM", "white FM"},
    {-1, "FFM", "flicker FM"}, {-2, "RWFM", "random walk FM"},
};

// The least squares quadratic in the index taken out, on an orthogonal basis (the index is
// symmetric about its middle, so the basis needs no solving).
void removeQuadratic(std::vector<double> &z)
{
    const double n = double(z.size());
    const double middle = (n - 1) / 2;
    const double spread = (n * n - 1) / 12; // mean of (t - middle)^2
    auto p1 = [middle](std::size_t t) { return double(t) - middle; };
    auto p2 = [&](std::size_t t) { return p1(t) * p1(t) - spread; };
    double mean = 0, c1 = 0, n1 = 0, c2 = 0, n2 = 0;
    for (std::size_t t = 0; t < z.size(); ++t) {
        mean += z[t];
        c1 += z[t] * p1(t);
        n1 += p1(t) * p1(t);
        c2 += z[t] * p2(t);
        n2 += p2(t) * p2(t);
    }
    mean /= n;
    const double a1 = n1 > 0 ? c1 / n1 : 0;
    const double a2 = n2 > 0 ? c2 / n2 : 0;
    for (std::size_t t = 0; t < z.size(); ++t)
        z[t] -= mean + a1 * p1(t) + a2 * p2(t);
}

std::optional<double> lag1Autocorrelation(const std::vector<double> &z)
{
    double mean = 0;
    for (const double v : z)
        mean += v;
    mean /= double(z.size());
    double product = 0, square = 0;
    for (std::size_t t = 0; t < z.size(); ++t) {
        const double d = z[t] - mean;
        square += d * d;
        if (t + 1 < z.size())
            product += d * (z[t + 1] - mean);
    }
    if (!(square > 0))
        return std::nullopt;
    // The lag 1 autocovariance over n, the variance over n - 1: the reference program's
    // estimate, which decides the factors where delta sits on a rounding boundary.
    const double n = double(z.size());
    return product / n / (square / (n - 1));
}

// Riley and Greenhall: difference until the series is stationary (delta < 0.25); then
// p = -round(2 delta) - 2 d is the exponent of the series' spectrum. Phase loses its
// quadratic (frequency offset and drift); frequency keeps its drift, as in the reference
// program, where a drift shows as the random walk it resembles.
std::optional<int> byAutocorrelation(std::vector<double> z, bool frequency)
{
    if (!frequency)
        removeQuadratic(z);
    for (int d = 0;; ++d) {
        const auto r1 = lag1Autocorrelation(z);
        if (!r1)
            return std::nullopt;
        const double delta = *r1 / (1 + *r1);
        if (delta < 0.25 || d >= MostDifferences) {
            const int p = -int(std::nearbyint(2 * delta)) - 2 * d;
            return std::clamp(frequency ? p : p + 2, LowestAlpha, HighestAlpha);
        }
        for (std::size_t t = 0; t + 1 < z.size(); ++t)
            z[t] = z[t + 1] - z[t];
        z.pop_back();
    }
}

// The B1 ratio, the sample variance of n averages over their Allan variance, expected for
// an Allan variance going as tau^mu (Barnes).
double expectedB1(double n, int mu)
{
    if (mu == 0)
        return n * std::log(n) / (2 * (n - 1) * std::numbers::ln2);
    return n * (1 - std::pow(n, mu)) / (2 * (n - 1) * (1 - std::pow(2.0, mu)));
}

// The ratio of the modified to the Allan variance at factor m expected for white PM,
// flicker PM (with the bandwidth at half the sampling rate) and white FM.
double expectedR(qint64 m, int alpha)
{
    if (alpha == 2)
        return 1.0 / double(m);
    if (alpha == 0)
        return 0.5;
    const double pi2 = std::numbers::pi * std::numbers::pi;
    const double allan = (1.038 + 3 * std::log(std::numbers::pi * double(m))) / (4 * pi2);
    const double modified = 3 * std::log(256.0 / 27.0) / (8 * pi2);
    return modified / allan;
}

std::optional<int> byRatios(const PhaseData &data, const std::vector<double> &averages, qint64 m,
                            bool overlapping)
{
    const double n = double(averages.size());
    double mean = 0;
    for (const double v : averages)
        mean += v;
    mean /= n;
    double variance = 0, allan = 0;
    for (std::size_t k = 0; k < averages.size(); ++k) {
        variance += (averages[k] - mean) * (averages[k] - mean);
        if (k + 1 < averages.size())
            allan += (averages[k + 1] - averages[k]) * (averages[k + 1] - averages[k]);
    }
    // As the reference program forms the ratio: the variance over n, and the expected
    // ratio for the n + 1 phase points that bound the averages. Against the textbook
    // n - 1 and n, this agrees with its noise types on many more factors of real data.
    variance /= n;
    allan /= 2 * (n - 1);
    const DeviationValue oadev = deviationAt(Deviation::Oadev, data.phase, data.tau0, m);
    if (overlapping) {
        // The averages are phase differences over tau: the Allan variance in their terms.
        const double tau = double(m) * data.tau0;
        allan = oadev.value * oadev.value * tau * tau;
    }
    if (!(allan > 0))
        return std::nullopt;
    const double b1 = variance / allan;
    // Allan variance exponents mu = -2 (both PM types), -1, 0, 1; the boundary between two
    // is the geometric mean of their expected ratios.
    int mu = -2;
    while (mu < 1 && b1 >= std::sqrt(expectedB1(n + 1, mu) * expectedB1(n + 1, mu + 1)))
        ++mu;
    if (mu > -2)
        return -mu - 1;
    // A PM verdict from few averages is weak; R(n), steadier at large factors, names the
    // PM type or overrules it when the modified Allan variance falls as white FM's does.
    const DeviationValue modified = deviationAt(Deviation::Mdev, data.phase, data.tau0, m);
    if (!(oadev.value > 0) || !std::isfinite(modified.value))
        return 2;
    const double r = std::log(std::pow(modified.value / oadev.value, 2));
    int nearest = 2;
    for (const int alpha : {1, 0}) {
        if (std::fabs(r - std::log(expectedR(m, alpha))) <
            std::fabs(r - std::log(expectedR(m, nearest))))
            nearest = alpha;
    }
    return nearest;
}

} // namespace

QLatin1String noiseAbbreviation(int alpha)
{
    for (const Named &named : Names) {
        if (named.alpha == alpha)
            return QLatin1String(named.abbreviation);
    }
    return {};
}

QLatin1String noiseName(int alpha)
{
    for (const Named &named : Names) {
        if (named.alpha == alpha)
            return QLatin1String(named.name);
    }
    return {};
}

std::optional<int> identifyNoise(const PhaseData &data, qint64 m, bool overlapping)
{
    const auto &x = data.phase;
    if (m < 1 || x.size() < 2)
        return std::nullopt;
    const auto step = std::size_t(m);
    const std::size_t averages = (x.size() - 1) / step;
    // Frequency data averaged over m values, phase data every m-th point.
    std::vector<double> z;
    if (data.fromFrequency) {
        z.resize(averages);
        for (std::size_t k = 0; k < averages; ++k)
            z[k] = x[(k + 1) * step] - x[k * step];
    } else {
        z.resize(averages + 1);
        for (std::size_t k = 0; k <= averages; ++k)
            z[k] = x[k * step];
    }
    if (qint64(averages) >= AutocorrelationAverages)
        return byAutocorrelation(std::move(z), data.fromFrequency);
    if (qint64(averages) < RatioPoints)
        return std::nullopt;
    std::vector<double> frequency(averages);
    for (std::size_t k = 0; k < averages; ++k)
        frequency[k] = x[(k + 1) * step] - x[k * step];
    return byRatios(data, frequency, m, overlapping);
}

} // namespace pelmix::analysis
