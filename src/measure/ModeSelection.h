#pragma once

#include "device/SettingsPanel.h"

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
void F_Click(FrontPanel &panel, ResultLog &log);
void calibr_Click(FrontPanel &panel, ResultLog &log);
void T_Click(FrontPanel &panel, ResultLog &log);
void dt_Click(FrontPanel &panel, ResultLog &log);
void Sum_Click(FrontPanel &panel, ResultLog &log);

} // namespace pelmix::measure
