#pragma once

#include <QtGlobal>

namespace pelmix::analysis {

// The least-squares line through (t, v) pairs, kept up in constant time and memory per
// pair: its slope and the slope's standard error. The sums run on differences from the
// first pair (bivariate Welford), so a 10 MHz signal over days keeps its digits.
class LinearTrend
{
public:
    void add(double t, double v);
    qint64 count() const { return m_count; }
    // NaN for fewer than two pairs or times that do not spread.
    double slope() const;
    // NaN for fewer than three pairs.
    double slopeError() const;

private:
    qint64 m_count = 0;
    double m_t0 = 0;
    double m_v0 = 0;
    double m_meanT = 0; // of the differences from the first pair
    double m_meanV = 0;
    double m_tt = 0; // sums of products of deviations from the means
    double m_tv = 0;
    double m_vv = 0;
};

} // namespace pelmix::analysis
