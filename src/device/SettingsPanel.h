#pragma once

namespace pelmix::device {

enum class Mode { Calibration, Frequency, Period, Interval, Count };
enum class Input { Digital, Analog };
enum class Edge { Rising, Falling };

// The front-panel controls that the settings upload reads. Every call reads the
// control as it is at that moment, never a copy taken earlier.
class SettingsPanel
{
public:
    virtual ~SettingsPanel() = default;

    virtual Mode mode() const = 0;
    virtual Input input() const = 0;
    virtual Edge edge() const = 0;
    virtual bool FilterOn() const = 0;
    // Trigger level position, 0 to 7.
    virtual int Slider1() const = 0;
    // Measuring-time (or multiplier) position, 0 to 4.
    virtual int Slider2() const = 0;
};

} // namespace pelmix::device
