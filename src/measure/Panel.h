#pragma once

#include "InputValues.h"

#include "device/InputSettings.h"

namespace pelmix::measure {

// The front panel as a measurement sees it: the input settings, each read when its step
// runs, and the measuring-time control, which interval mode holds at 0 and disables.
// The window implements it over its controls; the command line and the SCPI server with
// plain values.
class Panel : public device::InputSettings
{
public:
    virtual void setPosition(int position) = 0;
    virtual void setPositionEnabled(bool enabled) = 0;
};

class ValuePanel final : public Panel
{
public:
    explicit ValuePanel(InputValues values = {})
        : values(values)
    {
    }

    device::Mode mode() const override { return values.mode; }
    device::Input input() const override { return values.input; }
    device::Edge edge() const override { return values.edge; }
    bool filterOn() const override { return values.filter; }
    int level() const override { return values.level; }
    int position() const override { return values.position; }
    void setPosition(int position) override { values.position = position; }
    void setPositionEnabled(bool) override {}

    InputValues values;
};

} // namespace pelmix::measure
