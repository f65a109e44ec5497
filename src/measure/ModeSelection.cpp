#include "ModeSelection.h"

#include "FrontPanel.h"

namespace pelmix::measure {

namespace {

void clearDisplays(FrontPanel &panel)
{
    panel.setMainDisplay(QString());
    panel.setSecondDisplay(QString());
}

void showSecondLine(FrontPanel &panel, bool shown)
{
    for (const Part part : {Part::Tablo2, Part::oneX, Part::Ndp, Part::scal, Part::Slider2})
        panel.setShown(part, shown);
}

} // namespace

QString modeLine(device::Mode mode)
{
    switch (mode) {
    case device::Mode::Calibration:
        return QStringLiteral("Calibration");
    case device::Mode::Period:
        return QStringLiteral("Period");
    case device::Mode::Interval:
        return QStringLiteral("Time");
    case device::Mode::Count:
        return QStringLiteral("Quantity");
    case device::Mode::Frequency:
        break;
    }
    return QStringLiteral("Frequency");
}

void selectMode(device::Mode mode, FrontPanel &panel, ResultLog &log)
{
    using device::Mode;
    // Frequency names its slider; calibration keeps whatever caption the previous mode left.
    if (mode == Mode::Frequency)
        panel.setPositionCaption(QStringLiteral("Meas. time         ms"));
    clearDisplays(panel);
    if (mode == Mode::Period)
        panel.setPositionCaption(QStringLiteral(" Multiplier"));
    showSecondLine(panel, mode != Mode::Interval && mode != Mode::Count);
    log.writeModeLine(modeLine(mode));
}

} // namespace pelmix::measure
