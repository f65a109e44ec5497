#include "Statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pelmix::analysis {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

void RunningStatistics::add(double value)
{
    if (!std::isfinite(value))
        return;
    if (m_count == 0) {
        m_first = m_min = m_max = value;
        m_meanOffset = m_squares = 0;
    }
    ++m_count;
    // Near the first value the difference is exact (Sterbenz), so nothing is rounded away
    // before the small numbers are summed.
    const double offset = value - m_first;
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
    return m_count > 0 ? m_first + m_meanOffset : NaN;
}

double RunningStatistics::stddev() const
{
    return m_count > 1 ? std::sqrt(m_squares / double(m_count - 1)) : NaN;
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
