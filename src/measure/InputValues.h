#pragma once

#include "device/InputSettings.h"

namespace pelmix::measure {

// Input settings as plain values.
struct InputValues
{
    device::Mode mode = device::Mode::Frequency;
    device::Input input = device::Input::Digital;
    device::Edge edge = device::Edge::Rising;
    bool filter = false;
    int level = 0;
    int position = 0;
};

} // namespace pelmix::measure
