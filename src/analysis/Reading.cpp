#include "Reading.h"

namespace pelmix::analysis {

double secondary(Mode mode, double value)
{
    if (modeInfo(mode).secondaryUnit.isEmpty() || value == 0 || !std::isfinite(value))
        return std::numeric_limits<double>::quiet_NaN();
    return 1.0 / value;
}

} // namespace pelmix::analysis
