#pragma once

#include "core/Setup.h"

namespace pelmix::device {

// The input settings that the settings upload reads. Every call reads the setting as it is
// at that moment, never a copy taken earlier: the window's controls may change while an
// upload runs.
class InputSettings
{
public:
    virtual ~InputSettings() = default;

    virtual Mode mode() const = 0;
    virtual bool analog() const = 0;
    virtual bool fallingEdge() const = 0;
    virtual bool filterOn() const = 0;
    // Trigger level position, 0 to 7.
    virtual int level() const = 0;
    // Measuring-time (or multiplier) position, 0 to 4.
    virtual int position() const = 0;
};

// Settings that stay as they are: a setup value seen through the upload's eyes.
class FixedSettings final : public InputSettings
{
public:
    explicit FixedSettings(const Setup &setup)
        : m_setup(setup)
    {
    }

    Mode mode() const override { return m_setup.mode; }
    bool analog() const override { return m_setup.analog; }
    bool fallingEdge() const override { return m_setup.fallingEdge; }
    bool filterOn() const override { return m_setup.filter; }
    int level() const override { return m_setup.level; }
    int position() const override { return m_setup.position; }

private:
    Setup m_setup;
};

} // namespace pelmix::device
