#include "Stability.h"

#include "Edf.h"
#include "NoiseType.h"

#include <boost/math/distributions/chi_squared.hpp>

#include <cmath>
#include <map>

namespace pelmix::analysis {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

QString noiseLabel(const StabilityPoint &point)
{
    if (!point.alpha)
        return {};
    const QString name = noiseAbbreviation(*point.alpha);
    return point.alphaAssumed ? u'(' + name + u')' : name;
}

std::pair<double, double> confidenceInterval(double deviation, double edf, double confidence)
{
    if (!(edf > 0) || !std::isfinite(edf) || !std::isfinite(deviation) || !(confidence > 0) ||
        !(confidence < 1))
        return {NaN, NaN};
    const boost::math::chi_squared distribution(edf);
    const double tail = (1 - confidence) / 2;
    const double upper = boost::math::quantile(boost::math::complement(distribution, tail));
    const double lower = boost::math::quantile(distribution, tail);
    return {deviation * std::sqrt(edf / upper), deviation * std::sqrt(edf / lower)};
}

std::vector<StabilityCurve> stability(const PhaseData &data, std::span<const Deviation> kinds,
                                      std::span<const qint64> factors, double confidence)
{
    std::map<std::pair<qint64, bool>, std::optional<int>> noise;
    auto noiseAt = [&](qint64 m, Deviation kind) {
        const bool overlapping = kind != Deviation::Adev && kind != Deviation::Hdev;
        const auto known = noise.find({m, overlapping});
        if (known != noise.end())
            return known->second;
        return noise[{m, overlapping}] = identifyNoise(data, m, overlapping);
    };
    const auto n = qint64(data.phase.size());
    std::vector<StabilityCurve> curves;
    for (const Deviation kind : kinds) {
        StabilityCurve curve{kind, {}};
        for (const qint64 m : factors) {
            StabilityPoint point;
            point.m = m;
            point.tau = double(m) * data.tau0;
            const DeviationValue value = deviationAt(kind, data.phase, data.tau0, m);
            point.terms = value.terms;
            point.value = value.value;
            if (value.terms > 0 && std::isfinite(value.value)) {
                point.alpha = noiseAt(m, kind);
                if (!point.alpha && point.value > 0) {
                    point.alpha = 0;
                    point.alphaAssumed = true;
                }
                if (point.alpha) {
                    point.edf = equivalentDegreesOfFreedom(kind, *point.alpha, m, n);
                    std::tie(point.low, point.high) =
                        confidenceInterval(point.value, point.edf, confidence);
                }
            }
            curve.points.push_back(point);
        }
        curves.push_back(std::move(curve));
    }
    return curves;
}

} // namespace pelmix::analysis
