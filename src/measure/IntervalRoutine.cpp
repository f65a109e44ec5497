#include "Display.h"
#include "FrontPanel.h"
#include "Routine.h"

#include "device/Commands.h"
#include "device/Link.h"

namespace pelmix::measure {

// Time interval: the count is the interval in tenths of a microsecond. The mode has no
// measuring time: the slider goes to 0 and stays disabled until another mode measures.
QCoro::Task<> measureInterval(Routine r)
{
    r.panel.setPosition(0);
    r.panel.setPositionEnabled(false);

    r.lastReply =
        co_await r.link.exchange(device::commandText(device::Command::Data), IntervalTimeout);
    const double count = decodeCount(r.lastReply, 12);

    r.panel.setMainDisplay(displayText(formatFixed(count / 10, 1), QStringLiteral("mkS")));
    r.panel.setSecondDisplay(QString());
}

} // namespace pelmix::measure
