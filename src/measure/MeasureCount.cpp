#include "Display.h"
#include "FrontPanel.h"
#include "Routine.h"

#include "device/Commands.h"
#include "device/Link.h"

namespace pelmix::measure {

// Pulse counting: the counter's own count, as a whole number without a unit. An
// unreadable reply reads as 0, as in the other modes; 14 digits or more do not fit.
QCoro::Task<> MeasureCount(Routine r)
{
    r.LastReply = co_await r.link.ZpOtv(device::commandText(device::Command::Data), CountTimeout);
    const double count = decodeCount(r.LastReply, 12);
    r.panel.setTablo1(displayText(formatFixed(count, 0), QString()));
}

} // namespace pelmix::measure
