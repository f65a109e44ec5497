#include "Display.h"
#include "FrontPanel.h"
#include "Routine.h"

#include "device/Commands.h"
#include "device/Link.h"

#include <cmath>

namespace pelmix::measure {

// Period: the count is the period in units of 10^-(n+1) microseconds, n the multiplier
// position; the second display shows the frequency, in kHz above 1 kHz, else in Hz.
QCoro::Task<> MeasurePeriod(Routine r)
{
    r.panel.setSlider2Enabled(true);
    const int n = r.panel.Slider2();
    if (n < 0 || n > 4)
        co_return;

    r.LastReply = co_await r.link.ZpOtv(device::commandText(device::Command::Data), PeriodTimeout);
    const double count = decodeCount(r.LastReply, 12);
    const int decimals = n + 1;

    const double periodUs = count / std::pow(10.0, n + 1);
    r.panel.setTablo1(displayText(formatFixed(periodUs, decimals), QStringLiteral("mkS")));
    r.panel.setTablo2(QString());

    double frequency = count != 0 ? std::pow(10.0, n + 4) / count : 0.0; // kHz
    if (frequency > 1) {
        const int kHzDecimals = n < 3 ? 3 : n + 1;
        r.panel.setTablo2(displayText(formatFixed(frequency, kHzDecimals), QStringLiteral("kHz")));
    } else {
        frequency *= 1000;
        r.panel.setTablo2(displayText(formatFixed(frequency, decimals), QStringLiteral("Hz")));
    }
}

} // namespace pelmix::measure
