#include "Display.h"
#include "FrontPanel.h"
#include "Routine.h"

#include "device/Commands.h"
#include "device/Link.h"

namespace pelmix::measure {

// Time interval: the count is the interval in tenths of a microsecond. The mode has no
// measuring time: the slider goes to 0 and stays disabled until another mode measures.
QCoro::Task<> MeasureInterval(Routine r)
{
    r.panel.setSlider2(0);
    r.panel.setSlider2Enabled(false);

    r.LastReply =
        co_await r.link.ZpOtv(device::commandText(device::Command::Data), IntervalTimeout);
    const double count = decodeCount(r.LastReply, 12);

    r.panel.setTablo1(displayText(formatFixed(count / 10, 1), QStringLiteral("mkS")));
    r.panel.setTablo2(QString());
}

} // namespace pelmix::measure
