#include "Display.h"
#include "FrontPanel.h"
#include "Routine.h"

#include "device/Commands.h"
#include "device/Link.h"

namespace pelmix::measure {

// Pulse counting: the counter's own count, as a whole number without a unit. An
// unreadable reply reads as 0, as in the other modes; 14 digits or more do not fit.
QCoro::Task<> measureCount(Routine r)
{
    r.lastReply =
        co_await r.link.exchange(device::commandText(device::Command::Data), CountTimeout);
    const double count = decodeCount(r.lastReply, 12);
    r.panel.setMainDisplay(displayText(formatFixed(count, 0), QString()));
}

} // namespace pelmix::measure
