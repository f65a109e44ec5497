#pragma once

#include <QtGlobal>

namespace pelmix::analysis {

// Mean, spread and extremes of a stream of readings, kept in constant memory
// (Welford's update, so that a long run of close values loses no precision).
class RunningStatistics
{
public:
    void add(double value);
    void clear();
    qint64 count() const { return m_count; }

    double mean() const;   // NaN when empty
    double stddev() const; // sample; NaN when count < 2
    double min() const;    // NaN when empty
    double max() const;    // NaN when empty
    double peakToPeak() const;
    double last() const; // NaN when empty

private:
    qint64 m_count = 0;
    double m_mean = 0;
    double m_squares = 0;
    double m_min = 0;
    double m_max = 0;
    double m_last = 0;
};

} // namespace pelmix::analysis
