#include "Display.h"
#include "FrontPanel.h"
#include "Routine.h"

#include "device/Commands.h"
#include "device/Link.h"

#include <cmath>

namespace pelmix::measure {

// Frequency and calibration: the count over the measuring time 10^position ms gives
// the frequency in kHz with `position` decimals, and the period in microseconds.
QCoro::Task<> measureFrequency(Routine r)
{
    r.panel.setPositionEnabled(true);
    const int position = r.panel.position();
    if (position < 0 || position > 4)
        co_return;

    r.lastReply = co_await r.link.exchange(device::commandText(device::Command::Data),
                                           FrequencyTimeouts[position]);
    const double count = decodeCount(r.lastReply, 8);
    const double scale = std::pow(10.0, position);

    r.panel.setMainDisplay(
        displayText(formatFixed(count / scale, position), QStringLiteral("kHz")));
    r.panel.setSecondDisplay(QString());
    const double periodUs = count != 0 ? 1000.0 * scale / count : 0.0;
    r.panel.setSecondDisplay(displayText(formatFixed(periodUs, 1), QStringLiteral("mkS")));
}

} // namespace pelmix::measure
