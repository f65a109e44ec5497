#include "PhaseData.h"

#include <cmath>

namespace pelmix::analysis {

namespace {

double mean(std::span<const double> values)
{
    // Differences from the first value are exact near it, so 10 MHz loses nothing.
    if (values.empty())
        return std::numeric_limits<double>::quiet_NaN();
    double offset = 0;
    for (std::size_t i = 0; i < values.size(); ++i)
        offset += ((values[i] - values[0]) - offset) / double(i + 1);
    return values[0] + offset;
}

// Phase from fractional frequency, summed with Neumaier's compensation so that a million
// steps lose nothing to rounding.
std::vector<double> integrate(std::span<const double> y, double tau0)
{
    const double offset = mean(y);
    std::vector<double> x(y.size() + 1);
    double sum = 0;
    double compensation = 0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        const double step = (y[i] - offset) * tau0;
        const double next = sum + step;
        compensation +=
            std::fabs(sum) >= std::fabs(step) ? (sum - next) + step : (step - next) + sum;
        sum = next;
        x[i + 1] = sum + compensation;
    }
    return x;
}

// The line through the first and the last point taken out: the mean frequency of phase.
std::vector<double> levelled(std::span<const double> x)
{
    std::vector<double> out(x.begin(), x.end());
    if (out.size() < 2)
        return out;
    const double first = x.front();
    const double slope = (x.back() - first) / double(x.size() - 1);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = (x[i] - first) - slope * double(i);
    return out;
}

} // namespace

std::optional<Measured> measuredOf(Mode mode)
{
    switch (mode) {
    case Mode::Frequency:
        return Measured::Frequency;
    case Mode::Period:
        return Measured::Period;
    case Mode::Interval:
        return Measured::Phase;
    case Mode::Calibration:
    case Mode::Count:
        break;
    }
    return std::nullopt;
}

double fractionalOffset(Measured measured, double mean, double nominal)
{
    switch (measured) {
    case Measured::Frequency:
        return (mean - nominal) / nominal;
    case Measured::Period:
        return (nominal - mean) / mean;
    case Measured::Phase:
    case Measured::Fractional:
        break;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

double fractionalRate(Measured measured, double slope, double mean)
{
    switch (measured) {
    case Measured::Frequency:
        return slope / mean;
    case Measured::Period:
        return -slope / mean;
    case Measured::Phase:
    case Measured::Fractional:
        break;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

std::vector<double> fractionalFrequency(Measured measured, std::span<const double> values,
                                        double nominal)
{
    std::vector<double> y(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        switch (measured) {
        case Measured::Frequency:
            y[i] = (values[i] - nominal) / nominal;
            break;
        case Measured::Period:
            // f / f0 - 1 with f0 = 1 / T0: T0 / T - 1.
            y[i] = (nominal - values[i]) / values[i];
            break;
        case Measured::Fractional:
        case Measured::Phase:
            y[i] = values[i];
            break;
        }
    }
    return y;
}

PhaseData phaseData(Measured measured, std::span<const double> values, double tau0,
                    std::optional<double> nominal)
{
    PhaseData data;
    data.tau0 = tau0;
    if (values.size() < 2)
        return data;
    if (measured == Measured::Phase) {
        data.phase = levelled(values);
        return data;
    }
    data.fromFrequency = true;
    if (measured == Measured::Frequency || measured == Measured::Period) {
        data.nominalTyped = nominal && *nominal != 0 && std::isfinite(*nominal);
        if (data.nominalTyped) {
            data.nominal = *nominal;
        } else if (measured == Measured::Frequency) {
            data.nominal = mean(values);
        } else {
            std::vector<double> frequencies(values.size());
            for (std::size_t i = 0; i < values.size(); ++i)
                frequencies[i] = 1.0 / values[i];
            data.nominal = 1.0 / mean(frequencies);
        }
    }
    data.phase = integrate(fractionalFrequency(measured, values, data.nominal), tau0);
    return data;
}

} // namespace pelmix::analysis
