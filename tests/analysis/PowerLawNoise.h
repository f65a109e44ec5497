#pragma once

#include <QtGlobal>

#include <random>
#include <vector>

namespace pelmix::analysis::testing {

// Seeded fractional frequency noise whose spectral density goes as f^alpha (alpha 2 .. -2),
// by Kasdin and Walter's filter of white noise: h(0) = 1, h(k) = h(k-1) (k - 1 - alpha/2) / k,
// applied over the whole record. White FM is the white noise itself, random walk FM its sum.
inline std::vector<double> powerLawNoise(int alpha, std::size_t count, quint64 seed)
{
    std::mt19937_64 engine(seed);
    std::normal_distribution<double> normal;
    std::vector<double> white(count);
    for (double &w : white)
        w = normal(engine);
    std::vector<double> filter(count);
    filter[0] = 1;
    for (std::size_t k = 1; k < count; ++k)
        filter[k] = filter[k - 1] * (double(k) - 1 - alpha / 2.0) / double(k);
    std::vector<double> y(count);
    for (std::size_t n = 0; n < count; ++n) {
        double sum = 0;
        for (std::size_t k = 0; k <= n; ++k)
            sum += filter[k] * white[n - k];
        y[n] = sum;
    }
    return y;
}

} // namespace pelmix::analysis::testing
