#include "Statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pelmix::analysis {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
// Offsets beyond this are rescaled, so that no square of one overflows.
const double Largest = std::ldexp(1.0, 400);

} // namespace

void RunningStatistics::add(double value)
{
    if (!std::isfinite(value))
        return;
    if (m_count == 0) {
        m_first = m_min = m_max = value;
        m_meanOffset = m_squares = 0;
        m_scale = 1;
    }
    ++m_count;
    // Near the first value the difference is exact (Sterbenz), so nothing is rounded away
    // before the small numbers are summed.
    double offset = (value - m_first) / m_scale;
    if (!std::isfinite(offset) || std::fabs(offset) > Largest) {
        // Values near the largest double: their difference may not fit, half of it does.
        // The new unit is a power of two, which scales without rounding.
        const double half = value / 2 - m_first / 2;
        int exponent = 0;
        std::frexp(half, &exponent);
        const double scale = std::max(m_scale, std::ldexp(1.0, exponent - 1));
        const double grow = scale / m_scale;
        m_meanOffset /= grow;
        m_squares = m_squares / grow / grow;
        m_scale = scale;
        offset = half / scale * 2;
    }
    const double delta = offset - m_meanOffset;
    m_meanOffset += delta / double(m_count);
    m_squares += delta * (offset - m_meanOffset);
    m_min = std::min(m_min, value);
    m_max = std::max(m_max, value);
    m_last = value;
}

void RunningStatistics::clear()
{
    *this = RunningStatistics();
}

qint64 RunningStatistics::count() const
{
    return m_count;
}

double RunningStatistics::mean() const
{
    if (m_count == 0)
        return NaN;
    return m_scale == 1 ? m_first + m_meanOffset : (m_first / m_scale + m_meanOffset) * m_scale;
}

double RunningStatistics::stddev() const
{
    return m_count > 1 ? std::sqrt(m_squares / double(m_count - 1)) * m_scale : NaN;
}

double RunningStatistics::min() const
{
    return m_count > 0 ? m_min : NaN;
}

double RunningStatistics::max() const
{
    return m_count > 0 ? m_max : NaN;
}

double RunningStatistics::peakToPeak() const
{
    return m_count > 0 ? m_max - m_min : NaN;
}

double RunningStatistics::last() const
{
    return m_count > 0 ? m_last : NaN;
}

} // namespace pelmix::analysis
