#pragma once

#include "PhaseData.h"

#include <QLatin1String>
#include <QtGlobal>

#include <optional>

namespace pelmix::analysis {

// The power-law noise types by alpha, the exponent of f in the spectral density of the
// fractional frequency: 2 white PM, 1 flicker PM, 0 white FM, -1 flicker FM, -2 random
// walk FM.
inline constexpr int HighestAlpha = 2;
inline constexpr int LowestAlpha = -2;

// "WPM", "FPM", "WFM", "FFM", "RWFM".
QLatin1String noiseAbbreviation(int alpha);
// "white PM", "flicker PM", ...
QLatin1String noiseName(int alpha);

// The dominant noise at averaging factor m: by the lag 1 autocorrelation (Riley and
// Greenhall) where at least 30 averages remain, otherwise by the B1 ratio and, where that
// says PM, the R(n) ratio. The B1 ratio divides by the Allan variance of the deviation's
// kind: `overlapping` for all but ADEV and HDEV. None where too few points remain.
std::optional<int> identifyNoise(const PhaseData &data, qint64 m, bool overlapping = true);

} // namespace pelmix::analysis
