#pragma once

#include "device/InputSettings.h"

#include <QString>

namespace pelmix::measure {

class FrontPanel;
class ResultLog;

// The line a mode writes to the log: "Frequency", "Calibration", "Period", "Time",
// "Quantity".
QString modeLine(device::Mode mode);

// What selecting a mode does to the panel before any measurement: both displays
// cleared, the second line and the measuring-time slider shown or hidden, and the
// mode's line written to the log when one is open.
void selectMode(device::Mode mode, FrontPanel &panel, ResultLog &log);

} // namespace pelmix::measure
