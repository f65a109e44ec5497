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
    ++m_count;
    const double delta = value - m_mean;
    m_mean += delta / double(m_count);
    m_squares += delta * (value - m_mean);
    m_min = m_count == 1 ? value : std::min(m_min, value);
    m_max = m_count == 1 ? value : std::max(m_max, value);
    m_last = value;
}

void RunningStatistics::clear()
{
    *this = RunningStatistics();
}

double RunningStatistics::mean() const
{
    return m_count > 0 ? m_mean : NaN;
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
    return max() - min();
}

double RunningStatistics::last() const
{
    return m_count > 0 ? m_last : NaN;
}

} // namespace pelmix::analysis
