#pragma once

#include "device/InputSettings.h"

#include <QCoroTask>
#include <QString>

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

// Input settings as plain values.
struct InputValues
{
    device::Mode mode = device::Mode::Frequency;
    device::Input input = device::Input::Digital;
    device::Edge edge = device::Edge::Rising;
    bool filter = false;
    int level = 0;
    int position = 0;
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

// Tells whoever drives the measurement about a failure ("Connection Error", a lost port)
// and resumes once it has been acknowledged: a message box waits for OK, the command line
// and the SCPI server go on at once. Throws device::Cancelled when the program shuts down
// meanwhile.
class Reporter
{
public:
    virtual ~Reporter() = default;
    virtual QCoro::Task<> report(QString message) = 0;
};

} // namespace pelmix::measure
