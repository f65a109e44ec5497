#pragma once

#include "device/InputSettings.h"

#include <QString>

namespace pelmix::measure {

// The controls a mode's selection shows or hides, beside the main display.
enum class Part { Tablo2, oneX, Ndp, scal, Slider2 };

// The front panel as the measurement sees it. The window implements it by reading and
// writing its widgets at the moment of each call; tests implement it with plain values.
class FrontPanel : public device::InputSettings
{
public:
    virtual QString mainDisplay() const = 0;
    virtual void setMainDisplay(const QString &text) = 0;
    virtual QString secondDisplay() const = 0;
    virtual void setSecondDisplay(const QString &text) = 0;

    virtual void setShown(Part part, bool shown) = 0;
    virtual void setPositionCaption(const QString &caption) = 0;
    virtual void setPosition(int value) = 0;
    virtual void setPositionEnabled(bool enabled) = 0;
    virtual void showProgress(int percent) = 0;
    // The stop picture Str21 while a cycle runs, the start picture Str11 otherwise.
    virtual void showCycleRunning(bool running) = 0;
};

// Where results go when a log file is open. Both writers do nothing while none is.
class ResultLog
{
public:
    virtual ~ResultLog() = default;
    virtual void writeModeLine(const QString &mode) = 0;
    virtual void writeResultLine(const QString &display) = 0;
};

} // namespace pelmix::measure
