#include "Histogram.h"

#include <algorithm>
#include <cmath>

namespace pelmix::analysis {

namespace {

// The q-quantile of sorted values, interpolated between neighbours.
double quantile(const std::vector<double> &sorted, double q)
{
    const double at = q * double(sorted.size() - 1);
    const auto below = std::size_t(at);
    const double fraction = at - double(below);
    if (below + 1 >= sorted.size())
        return sorted.back();
    return sorted[below] + fraction * (sorted[below + 1] - sorted[below]);
}

} // namespace

int histogramBins(qint64 count, double range, double interquartileRange)
{
    if (count < 1 || !(range > 0))
        return 1;
    double bins = 0;
    if (interquartileRange > 0) {
        const double width = 2.0 * interquartileRange / std::cbrt(double(count));
        bins = std::ceil(range / width);
    } else {
        bins = std::ceil(std::log2(double(count))) + 1;
    }
    if (!std::isfinite(bins))
        return MaxHistogramBins;
    return int(std::clamp(bins, 1.0, double(MaxHistogramBins)));
}

Histogram histogram(std::span<const double> values)
{
    std::vector<double> sorted;
    sorted.reserve(values.size());
    std::copy_if(values.begin(), values.end(), std::back_inserter(sorted),
                 [](double v) { return std::isfinite(v); });
    Histogram result;
    if (sorted.empty())
        return result;
    std::sort(sorted.begin(), sorted.end());

    const double low = sorted.front();
    const double high = sorted.back();
    const int bins = histogramBins(qint64(sorted.size()), high - low,
                                   quantile(sorted, 0.75) - quantile(sorted, 0.25));
    const double width = (high - low) / bins;
    result.edges.resize(std::size_t(bins) + 1);
    for (int i = 0; i < bins; ++i)
        result.edges[std::size_t(i)] = low + width * i;
    result.edges.back() = high;

    // The values are sorted: each bin's count is where the next edge falls.
    result.counts.resize(std::size_t(bins));
    auto from = sorted.begin();
    for (int i = 0; i < bins; ++i) {
        const auto to =
            i + 1 == bins ? sorted.end()
                          : std::lower_bound(from, sorted.end(), result.edges[std::size_t(i) + 1]);
        result.counts[std::size_t(i)] = to - from;
        from = to;
    }
    return result;
}

} // namespace pelmix::analysis
