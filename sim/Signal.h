#pragma once

#include <cstdint>

namespace pelmix::sim {

// What the simulated counter measures. Noise is a relative standard deviation applied
// to every reading, drawn from a generator seeded with `seed`, so runs repeat.
struct Signal
{
    double frequencyHz = 12345.678;
    // 0 means the period of frequencyHz.
    double periodUs = 0;
    double intervalUs = 250.0;
    double pulseRateHz = 1000.0;
    // The internal reference that calibration counts.
    double referenceHz = 1.0e6;
    double noise = 0;
    std::uint32_t seed = 1;
};

} // namespace pelmix::sim
