#include "Deviations.h"

#include <cmath>

namespace pelmix::analysis {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

struct Named
{
    Deviation kind;
    const char *name;
    const char *label;
};

constexpr Named Names[] = {
    {Deviation::Adev, "adev", "ADEV"},       {Deviation::Oadev, "oadev", "OADEV"},
    {Deviation::Mdev, "mdev", "MDEV"},       {Deviation::Tdev, "tdev", "TDEV"},
    {Deviation::Hdev, "hdev", "HDEV"},       {Deviation::Ohdev, "ohdev", "OHDEV"},
    {Deviation::Totdev, "totdev", "TOTDEV"},
};

// Second and third differences of the phase over `m` samples from index i.
double second(std::span<const double> x, std::size_t i, std::size_t m)
{
    return x[i + 2 * m] - 2 * x[i + m] + x[i];
}

double third(std::span<const double> x, std::size_t i, std::size_t m)
{
    return x[i + 3 * m] - 3 * x[i + 2 * m] + 3 * x[i + m] - x[i];
}

// `order` 2 is Allan's variance, 3 Hadamard's; `stride` 1 overlaps the terms, m does not.
DeviationValue differences(std::span<const double> x, double tau, qint64 m, int order,
                           qint64 stride)
{
    const qint64 n = qint64(x.size());
    const qint64 terms = (n - 1 - order * m) / stride + 1;
    if (terms < 1 || n < order * m + 1)
        return {};
    double sum = 0;
    const auto step = std::size_t(m);
    for (qint64 k = 0; k < terms; ++k) {
        const auto i = std::size_t(k * stride);
        const double d = order == 2 ? second(x, i, step) : third(x, i, step);
        sum += d * d;
    }
    const double scale = order == 2 ? 2.0 : 6.0;
    return {terms, std::sqrt(sum / (scale * double(terms) * tau * tau))};
}

DeviationValue modified(std::span<const double> x, double tau, qint64 m)
{
    const qint64 n = qint64(x.size());
    const qint64 terms = n - 3 * m + 1;
    if (terms < 1)
        return {};
    const auto step = std::size_t(m);
    // The inner sum of m second differences slides along one difference at a time.
    double inner = 0;
    for (std::size_t i = 0; i < step; ++i)
        inner += second(x, i, step);
    double sum = inner * inner;
    for (std::size_t j = 1; j < std::size_t(terms); ++j) {
        inner += second(x, j + step - 1, step) - second(x, j - 1, step);
        sum += inner * inner;
    }
    const double md = double(m);
    return {terms, std::sqrt(sum / (2.0 * md * md * tau * tau * double(terms)))};
}

// The phase extended by reflection about both ends, x*(-j) = 2 x(0) - x(j) and
// x*(n-1+j) = 2 x(n-1) - x(n-1-j), as the total variance defines it.
DeviationValue total(std::span<const double> x, double tau, qint64 m)
{
    const qint64 n = qint64(x.size());
    if (n < 3 || m > n - 1)
        return {};
    auto at = [x, n](qint64 i) {
        if (i < 0)
            return 2 * x[0] - x[std::size_t(-i)];
        if (i >= n)
            return 2 * x[std::size_t(n - 1)] - x[std::size_t(2 * (n - 1) - i)];
        return x[std::size_t(i)];
    };
    double sum = 0;
    for (qint64 i = 1; i <= n - 2; ++i) {
        const bool inside = i >= m && i + m <= n - 1;
        const double d = inside ? second(x, std::size_t(i - m), std::size_t(m))
                                : at(i - m) - 2 * at(i) + at(i + m);
        sum += d * d;
    }
    return {n - 2, std::sqrt(sum / (2.0 * tau * tau * double(n - 2)))};
}

} // namespace

QLatin1String deviationName(Deviation kind)
{
    for (const Named &named : Names) {
        if (named.kind == kind)
            return QLatin1String(named.name);
    }
    return {};
}

std::optional<Deviation> deviationFromName(QLatin1String name)
{
    for (const Named &named : Names) {
        if (name == QLatin1String(named.name))
            return named.kind;
    }
    return std::nullopt;
}

QLatin1String deviationLabel(Deviation kind)
{
    for (const Named &named : Names) {
        if (named.kind == kind)
            return QLatin1String(named.label);
    }
    return {};
}

bool isTimeDeviation(Deviation kind)
{
    return kind == Deviation::Tdev;
}

DeviationValue deviationAt(Deviation kind, std::span<const double> phase, double tau0, qint64 m)
{
    if (m < 1 || !(tau0 > 0))
        return {};
    const double tau = double(m) * tau0;
    switch (kind) {
    case Deviation::Adev:
        return differences(phase, tau, m, 2, m);
    case Deviation::Oadev:
        return differences(phase, tau, m, 2, 1);
    case Deviation::Mdev:
        return modified(phase, tau, m);
    case Deviation::Tdev: {
        DeviationValue value = modified(phase, tau, m);
        value.value *= tau / std::sqrt(3.0);
        return value;
    }
    case Deviation::Hdev:
        return differences(phase, tau, m, 3, m);
    case Deviation::Ohdev:
        return differences(phase, tau, m, 3, 1);
    case Deviation::Totdev:
        return total(phase, tau, m);
    }
    return {};
}

} // namespace pelmix::analysis
