#include "FrontPanel.h"

#include "Pictures.h"

#include <QLabel>
#include <QLineEdit>
#include <QSlider>

namespace pelmix::ui {

using device::Mode;

Mode FrontPanel::mode() const
{
    if (ui.calibr->isChecked())
        return Mode::Calibration;
    if (ui.T->isChecked())
        return Mode::Period;
    if (ui.dt->isChecked())
        return Mode::Interval;
    if (ui.Sum->isChecked())
        return Mode::Count;
    return Mode::Frequency;
}

device::Input FrontPanel::input() const
{
    return ui.Analog->isChecked() ? device::Input::Analog : device::Input::Digital;
}

device::Edge FrontPanel::edge() const
{
    return ui.Sr->isChecked() ? device::Edge::Falling : device::Edge::Rising;
}

int FrontPanel::level() const
{
    return ui.Slider1->value();
}

int FrontPanel::position() const
{
    return ui.Slider2->value();
}

void FrontPanel::setPosition(int position)
{
    ui.Slider2->setValue(position);
}

void FrontPanel::setPositionEnabled(bool enabled)
{
    ui.Slider2->setEnabled(enabled);
}

void FrontPanel::prepareForMode(Mode mode)
{
    // Frequency names its slider; calibration keeps the caption the previous mode left.
    if (mode == Mode::Frequency)
        ui.Ndp->setText(QStringLiteral("Meas. time         ms"));
    ui.Tablo1->clear();
    ui.Tablo2->clear();
    if (mode == Mode::Period)
        ui.Ndp->setText(QStringLiteral(" Multiplier"));
    const bool secondLine = mode != Mode::Interval && mode != Mode::Count;
    for (QWidget *part : {static_cast<QWidget *>(ui.Tablo2), static_cast<QWidget *>(ui.oneX),
                          static_cast<QWidget *>(ui.Ndp), static_cast<QWidget *>(ui.scal),
                          static_cast<QWidget *>(ui.Slider2)})
        part->setVisible(secondLine);
}

void FrontPanel::showResult(const measure::Result &result)
{
    const measure::DisplayTexts texts = measure::displayTexts(result);
    ui.Tablo1->setText(texts.main);
    if (texts.second)
        ui.Tablo2->setText(*texts.second);
}

void FrontPanel::setFilter(bool on)
{
    ui.Pic1->setVisible(!on);
    ui.Pic2->setVisible(on);
    m_filterOn = on;
}

void FrontPanel::showCycleRunning(bool running)
{
    ui.Str11->setVisible(!running);
    ui.Str21->setVisible(running);
}

} // namespace pelmix::ui
