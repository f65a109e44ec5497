#pragma once

#include <QtGlobal>

namespace pelmix::analysis {

// Count, mean, sample standard deviation, extremes and last value of a stream of values,
// each in constant time and memory. The sums run on differences from the first value, so
// a 10 MHz signal keeps the digits of its millihertz noise; differences too large to square
// are scaled by a power of two first, so any finite values give finite results where the
// result fits. A value that is not finite is not counted: a gap has no value.
// clang-format off
class RunningStatistics
{
public:
    void add(double value);   // O(1), numerically stable (Welford on differences from the first value)
    void clear();
    qint64 count() const;
    double mean() const;      // NaN when empty
    double stddev() const;    // sample standard deviation; NaN when count < 2
    double min() const;       // NaN when empty
    double max() const;       // NaN when empty
    double peakToPeak() const;
    double last() const;      // NaN when empty
    // clang-format on

private:
    qint64 m_count = 0;
    double m_first = 0;
    double m_meanOffset = 0; // mean of the differences from m_first
    double m_squares = 0;    // sum of squared deviations from the mean
    double m_scale = 1;      // the unit of the two above (m_squares: its square)
    double m_min = 0;
    double m_max = 0;
    double m_last = 0;
};

} // namespace pelmix::analysis
