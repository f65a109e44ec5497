#include "LinearTrend.h"

#include <cmath>
#include <limits>

namespace pelmix::analysis {

void LinearTrend::add(double t, double v)
{
    if (!std::isfinite(t) || !std::isfinite(v))
        return;
    if (m_count == 0) {
        m_t0 = t;
        m_v0 = v;
    }
    ++m_count;
    const double dt = (t - m_t0) - m_meanT;
    const double dv = (v - m_v0) - m_meanV;
    const double n = double(m_count);
    m_meanT += dt / n;
    m_meanV += dv / n;
    const double dtAfter = (t - m_t0) - m_meanT;
    const double dvAfter = (v - m_v0) - m_meanV;
    m_tt += dt * dtAfter;
    m_tv += dt * dvAfter;
    m_vv += dv * dvAfter;
}

double LinearTrend::slope() const
{
    if (m_count < 2 || !(m_tt > 0))
        return std::numeric_limits<double>::quiet_NaN();
    return m_tv / m_tt;
}

double LinearTrend::slopeError() const
{
    if (m_count < 3 || !(m_tt > 0))
        return std::numeric_limits<double>::quiet_NaN();
    const double residual = std::max(0.0, m_vv - m_tv * m_tv / m_tt) / double(m_count - 2);
    return std::sqrt(residual / m_tt);
}

} // namespace pelmix::analysis
