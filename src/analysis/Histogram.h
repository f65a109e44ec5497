#pragma once

#include <QtGlobal>

#include <span>
#include <vector>

namespace pelmix::analysis {

// Equal bins from the smallest value to the largest: counts.size() bins between
// edges.size() = counts.size() + 1 edges. A value on an inner edge counts in the bin above
// it, the largest value in the last bin.
struct Histogram
{
    std::vector<double> edges;
    std::vector<qint64> counts;
};

inline constexpr int MaxHistogramBins = 200;

// The number of bins for values whose spread and quartiles are known: Freedman-Diaconis,
// or Sturges where the quartiles coincide; 1 to MaxHistogramBins.
int histogramBins(qint64 count, double range, double interquartileRange);

// The values that are finite, binned. No bins for none; one bin of no width when they are
// all equal.
Histogram histogram(std::span<const double> values);

} // namespace pelmix::analysis
