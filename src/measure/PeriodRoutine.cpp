#include "Display.h"
#include "FrontPanel.h"
#include "Routine.h"

#include "device/Commands.h"
#include "device/Link.h"

#include <cmath>

namespace pelmix::measure {

// Period: the count is the period in units of 10^-(n+1) microseconds, n the multiplier
// position; the second display shows the frequency, in kHz above 1 kHz, else in Hz.
QCoro::Task<> measurePeriod(Routine r)
{
    r.panel.setPositionEnabled(true);
    const int n = r.panel.position();
    if (n < 0 || n > 4)
        co_return;

    r.lastReply =
        co_await r.link.exchange(device::commandText(device::Command::Data), PeriodTimeout);
    const double count = decodeCount(r.lastReply, 12);
    const int decimals = n + 1;

    const double periodUs = count / std::pow(10.0, n + 1);
    r.panel.setMainDisplay(displayText(formatFixed(periodUs, decimals), QStringLiteral("mkS")));
    r.panel.setSecondDisplay(QString());

    double frequency = count != 0 ? std::pow(10.0, n + 4) / count : 0.0; // kHz
    if (frequency > 1) {
        const int kHzDecimals = n < 3 ? 3 : n + 1;
        r.panel.setSecondDisplay(
            displayText(formatFixed(frequency, kHzDecimals), QStringLiteral("kHz")));
    } else {
        frequency *= 1000;
        r.panel.setSecondDisplay(
            displayText(formatFixed(frequency, decimals), QStringLiteral("Hz")));
    }
}

} // namespace pelmix::measure
