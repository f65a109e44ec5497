#include "FrontPanel.h"

#include "PanelAccess.h"
#include "Pictures.h"

#include <QAccessible>

#include <QLabel>
#include <QLineEdit>
#include <QSlider>

namespace pelmix::ui {

using pelmix::Mode;

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

bool FrontPanel::analog() const
{
    return ui.Analog->isChecked();
}

bool FrontPanel::fallingEdge() const
{
    return ui.Sr->isChecked();
}

int FrontPanel::level() const
{
    return ui.Slider1->value();
}

int FrontPanel::position() const
{
    return ui.Slider2->value();
}

void FrontPanel::showSettingsSent(const Setup &setup)
{
    // Interval mode has no measuring time: it holds the control at 0, disabled until a
    // mode that has one measures again.
    if (setup.mode == Mode::Interval) {
        ui.Slider2->setValue(0);
        ui.Slider2->setEnabled(false);
    } else if (setup.mode != Mode::Count) {
        ui.Slider2->setEnabled(true);
    }
}

void FrontPanel::prepareForMode(Mode mode)
{
    // Frequency names its slider; calibration keeps the caption the previous mode left.
    if (mode == Mode::Frequency) {
        ui.Ndp->setText(QStringLiteral("Meas. time         ms"));
        PanelAccess::nameSlider2(ui, false);
    }
    ui.Tablo1->clear();
    ui.Tablo2->clear();
    if (mode == Mode::Period) {
        ui.Ndp->setText(QStringLiteral(" Multiplier"));
        PanelAccess::nameSlider2(ui, true);
    }
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
    // Told to assistive technology as news, not only as a changed text, also when it
    // repeats the one before.
    ui.Tablo1->setAccessibleDescription(QObject::tr("Latest result: %1").arg(texts.main.trimmed()));
    QAccessibleEvent news(ui.Tablo1, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&news);
}

namespace {

// Shows one of two pictures that take turns on one spot; the keyboard focus moves along.
void swap(QWidget *from, QWidget *to)
{
    const bool focused = from->hasFocus();
    to->setVisible(true);
    from->setVisible(false);
    if (focused)
        to->setFocus();
}

} // namespace

void FrontPanel::setFilter(bool on)
{
    swap(on ? static_cast<QWidget *>(ui.Pic1) : ui.Pic2, on ? ui.Pic2 : ui.Pic1);
    m_filterOn = on;
}

void FrontPanel::showCycleRunning(bool running)
{
    swap(running ? static_cast<QWidget *>(ui.Str11) : ui.Str21, running ? ui.Str21 : ui.Str11);
}

} // namespace pelmix::ui
