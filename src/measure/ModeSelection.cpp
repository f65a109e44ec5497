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

void F_Click(FrontPanel &panel, ResultLog &log)
{
    panel.setNdp(QStringLiteral("Meas. time         ms"));
    clearDisplays(panel);
    showSecondLine(panel, true);
    log.writeModeLine(QStringLiteral("Frequency"));
}

void calibr_Click(FrontPanel &panel, ResultLog &log)
{
    // The slider's caption stays as the previous mode left it.
    clearDisplays(panel);
    showSecondLine(panel, true);
    log.writeModeLine(QStringLiteral("Calibration"));
}

void T_Click(FrontPanel &panel, ResultLog &log)
{
    clearDisplays(panel);
    panel.setNdp(QStringLiteral(" Multiplier"));
    showSecondLine(panel, true);
    log.writeModeLine(QStringLiteral("Period"));
}

void dt_Click(FrontPanel &panel, ResultLog &log)
{
    clearDisplays(panel);
    showSecondLine(panel, false);
    log.writeModeLine(QStringLiteral("Time"));
}

void Sum_Click(FrontPanel &panel, ResultLog &log)
{
    clearDisplays(panel);
    showSecondLine(panel, false);
    log.writeModeLine(QStringLiteral("Quantity"));
}

} // namespace pelmix::measure
