#include "Display.h"
#include "FrontPanel.h"
#include "Routine.h"

#include "device/Commands.h"
#include "device/Link.h"

#include <cmath>

namespace pelmix::measure {

// Frequency and calibration: the count over the measuring time 10^position ms gives
// the frequency in kHz with `position` decimals, and the period in microseconds.
QCoro::Task<> MeasureFrequency(Routine r)
{
    r.panel.setSlider2Enabled(true);
    const int position = r.panel.Slider2();
    if (position < 0 || position > 4)
        co_return;

    r.LastReply = co_await r.link.ZpOtv(device::commandText(device::Command::Data),
                                        FrequencyTimeouts[position]);
    const double count = decodeCount(r.LastReply, 8);
    const double scale = std::pow(10.0, position);

    r.panel.setTablo1(displayText(formatFixed(count / scale, position), QStringLiteral("kHz")));
    r.panel.setTablo2(QString());
    const double periodUs = count != 0 ? 1000.0 * scale / count : 0.0;
    r.panel.setTablo2(displayText(formatFixed(periodUs, 1), QStringLiteral("mkS")));
}

} // namespace pelmix::measure
