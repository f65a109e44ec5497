#include "ModeSelection.h"

#include "FrontPanel.h"

namespace pelmix::measure {

namespace {

void clearDisplays(FrontPanel &panel)
{
    panel.setTablo1(QString());
    panel.setTablo2(QString());
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

void F_Click(FrontPanel &panel, ResultLog &log)
{
    panel.setNdp(QStringLiteral("Meas. time         ms"));
    clearDisplays(panel);
    showSecondLine(panel, true);
    log.writeModeLine(modeLine(device::Mode::Frequency));
}

void calibr_Click(FrontPanel &panel, ResultLog &log)
{
    // The slider's caption stays as the previous mode left it.
    clearDisplays(panel);
    showSecondLine(panel, true);
    log.writeModeLine(modeLine(device::Mode::Calibration));
}

void T_Click(FrontPanel &panel, ResultLog &log)
{
    clearDisplays(panel);
    panel.setNdp(QStringLiteral(" Multiplier"));
    showSecondLine(panel, true);
    log.writeModeLine(modeLine(device::Mode::Period));
}

void dt_Click(FrontPanel &panel, ResultLog &log)
{
    clearDisplays(panel);
    showSecondLine(panel, false);
    log.writeModeLine(modeLine(device::Mode::Interval));
}

void Sum_Click(FrontPanel &panel, ResultLog &log)
{
    clearDisplays(panel);
    showSecondLine(panel, false);
    log.writeModeLine(modeLine(device::Mode::Count));
}

} // namespace pelmix::measure
