#include "Edf.h"

#include <cmath>
#include <limits>

namespace pelmix::analysis {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinite = std::numeric_limits<double>::infinity();
// Beyond this many terms of the basic sum the paper's fitted tables take over.
constexpr double MostTerms = 100;

double binomial(int n, int k)
{
    double result = 1;
    for (int i = 1; i <= k; ++i)
        result = result * double(n - k + i) / double(i);
    return result;
}

// The generalised autocovariance of the phase noise, up to a factor (paper eq. 7).
double sw(double t, int alpha)
{
    const double a = std::fabs(t);
    switch (alpha) {
    case 2:
        return -a;
    case 1:
        return a == 0 ? 0 : t * t * std::log(a);
    case 0:
        return a * a * a;
    case -1:
        return a == 0 ? 0 : t * t * t * t * std::log(a);
    case -2:
        return a * a * a * a * a;
    case -3:
        return a == 0 ? 0 : std::pow(t, 6) * std::log(a);
    case -4:
        return std::pow(a, 7);
    default:
        return NaN;
    }
}

// After averaging over 1/F (eq. 8); F infinite is the limit.
double sx(double t, double f, int alpha)
{
    if (std::isinf(f))
        return sw(t, alpha + 2);
    return f * f * (2 * sw(t, alpha) - sw(t - 1 / f, alpha) - sw(t + 1 / f, alpha));
}

// After the d-th difference (eq. 9).
double sz(double t, double f, int alpha, int d)
{
    double sum = 0;
    for (int k = -d; k <= d; ++k) {
        const double sign = (k % 2 == 0) ? 1 : -1;
        sum += sign * binomial(2 * d, d + k) * sx(t + k, f, alpha);
    }
    return sum;
}

// Eq. 10.
double basicSum(double j, double mTerms, double s, double f, int alpha, int d)
{
    double sum = std::pow(sz(0, f, alpha, d), 2);
    sum += (1 - j / mTerms) * std::pow(sz(j / s, f, alpha, d), 2);
    for (int i = 1; i < int(j); ++i)
        sum += 2 * (1 - double(i) / mTerms) * std::pow(sz(double(i) / s, f, alpha, d), 2);
    return sum;
}

double fromSum(double terms, double s, double f, int alpha, int d, double mTerms)
{
    return std::pow(sz(0, f, alpha, d), 2) * mTerms / basicSum(terms, mTerms, s, f, alpha, d);
}

struct Coefficients
{
    double a0;
    double a1;
};

// Tables 1 (modified variances) and 2 (unmodified, alpha <= 0 and 2), by alpha from 2
// down to -4 and d from 1 to 3; zero where the paper gives none.
constexpr Coefficients Table1[7][3] = {
    {{2.0 / 3, 1.0 / 3}, {7.0 / 9, 1.0 / 2}, {22.0 / 25, 2.0 / 3}},
    {{0.840, 0.345}, {0.997, 0.616}, {1.141, 0.843}},
    {{1.079, 0.368}, {1.033, 0.607}, {1.184, 0.848}},
    {{0, 0}, {1.048, 0.534}, {1.180, 0.816}},
    {{0, 0}, {1.302, 0.535}, {1.175, 0.777}},
    {{0, 0}, {0, 0}, {1.194, 0.703}},
    {{0, 0}, {0, 0}, {1.489, 0.702}},
};
constexpr Coefficients Table2[7][3] = {
    {{3.0 / 2, 1.0 / 2}, {35.0 / 18, 1}, {231.0 / 100, 3.0 / 2}},
    {{78.6, 25.2}, {790, 410}, {9950, 6520}},
    {{2.0 / 3, 1.0 / 6}, {2.0 / 3, 1.0 / 3}, {7.0 / 9, 1.0 / 2}},
    {{0, 0}, {0.852, 0.375}, {0.997, 0.617}},
    {{0, 0}, {1.079, 0.368}, {1.033, 0.607}},
    {{0, 0}, {0, 0}, {1.053, 0.553}},
    {{0, 0}, {0, 0}, {1.302, 0.535}},
};
// Table 3: the unmodified variances with flicker PM, b0 + b1 ln m.
constexpr Coefficients Table3[3] = {{6, 4}, {15.23, 12}, {47.8, 40}};

double fitted(const Coefficients &c, double r)
{
    if (c.a0 == 0 && c.a1 == 0)
        return NaN;
    return r / (c.a0 - c.a1 / r);
}

// White PM with unmodified variances in closed form: the d-th differences of white
// phase correlate only at whole multiples of tau, with binomial weights.
double whitePhase(int d, double mTerms, double r)
{
    const int reach = std::min(d, int(std::ceil(r)) - 1);
    double sum = 1;
    const double centre = binomial(2 * d, d);
    for (int l = 1; l <= reach; ++l)
        sum += 2 * (1 - double(l) / r) * std::pow(binomial(2 * d, d - l) / centre, 2);
    return mTerms / sum;
}

} // namespace

double greenhallEdf(int alpha, int d, qint64 m, qint64 n, bool overlapping, bool modified)
{
    if (m < 1 || alpha > 2 || alpha < -4 || alpha + 2 * d <= 1 || d < 1 || d > 3)
        return NaN;
    const double md = double(m);
    const double f = modified ? 1 : md;
    const double s = overlapping ? md : 1;
    const double length = md / f + md * d;
    const double mTerms = 1 + std::floor(s * (double(n) - length) / md);
    if (mTerms < 1)
        return NaN;
    const double j = std::min(mTerms, (d + 1) * s);
    const double r = mTerms / s;
    const auto row = std::size_t(2 - alpha);
    const auto column = std::size_t(d - 1);

    if (modified) {
        if (j <= MostTerms)
            return fromSum(j, s, 1, alpha, d, mTerms);
        if (r > d + 1)
            return fitted(Table1[row][column], r);
        return fromSum(MostTerms, MostTerms / r, 1, alpha, d, MostTerms);
    }
    if (alpha <= 0) {
        if (j <= MostTerms) {
            const double filter = md * (d + 1) <= MostTerms ? md : Infinite;
            return fromSum(j, s, filter, alpha, d, mTerms);
        }
        if (r > d + 1)
            return fitted(Table2[row][column], r);
        return fromSum(MostTerms, MostTerms / r, Infinite, alpha, d, MostTerms);
    }
    if (alpha == 1) {
        if (j <= MostTerms)
            return fromSum(j, s, md, alpha, d, mTerms);
        const Coefficients b = Table3[column];
        const double scale = std::pow(b.a0 + b.a1 * std::log(md), 2);
        if (r > d + 1) {
            const Coefficients a = Table2[row][column];
            return scale * r / (a.a0 - a.a1 / r);
        }
        const double prime = MostTerms / r;
        return scale * MostTerms / basicSum(MostTerms, MostTerms, prime, prime, alpha, d);
    }
    return whitePhase(d, mTerms, r);
}

double equivalentDegreesOfFreedom(Deviation kind, int alpha, qint64 m, qint64 n)
{
    switch (kind) {
    case Deviation::Adev:
        return greenhallEdf(alpha, 2, m, n, false, false);
    case Deviation::Oadev:
        return greenhallEdf(alpha, 2, m, n, true, false);
    case Deviation::Mdev:
    case Deviation::Tdev:
        return greenhallEdf(alpha, 2, m, n, true, true);
    case Deviation::Hdev:
        return greenhallEdf(alpha, 3, m, n, false, false);
    case Deviation::Ohdev:
        return greenhallEdf(alpha, 3, m, n, true, false);
    case Deviation::Totdev:
        break;
    }
    // SP 1065: b T / tau - c for the FM types, T / tau0 taken as the number of phase points
    // (as Stable32's intervals on the 1000-point set show); its simple overlapping Allan
    // formulas for the PM types.
    const double nd = double(n);
    const double md = double(m);
    double edf = NaN;
    switch (alpha) {
    case 0:
        edf = 1.50 * nd / md;
        break;
    case -1:
        edf = 1.17 * nd / md - 0.22;
        break;
    case -2:
        edf = 0.93 * nd / md - 0.36;
        break;
    case 2:
        edf = (nd + 1) * (nd - 2 * md) / (2 * (nd - md));
        break;
    case 1:
        edf = std::exp(
            std::sqrt(std::log((nd - 1) / (2 * md)) * std::log((2 * md + 1) * (nd - 1) / 4)));
        break;
    default:
        break;
    }
    return edf > 0 ? edf : NaN;
}

} // namespace pelmix::analysis
