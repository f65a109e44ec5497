#pragma once

#include "Mode.h"

namespace pelmix {

// Everything that decides what a value means: the mode and the input's conditioning as
// they were sent to the counter. Readings taken with equal setups form one series.
struct Setup
{
    Mode mode = Mode::Frequency;
    // The measuring time 10^position ms (frequency, calibration, counting) or the
    // multiplier 10^position (period); 0..4.
    int position = 0;
    bool analog = false;
    int level = 0; // 0..7
    bool fallingEdge = false;
    bool filter = false;

    bool operator==(const Setup &) const = default;

    bool isValid() const
    {
        return position >= 0 && position <= MaxPosition && level >= 0 && level <= MaxLevel;
    }
};

} // namespace pelmix
