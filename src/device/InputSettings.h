#pragma once

namespace pelmix::device {

enum class Mode { Calibration, Frequency, Period, Interval, Count };
enum class Input { Digital, Analog };
enum class Edge { Rising, Falling };

// The front-panel controls that the settings upload reads. Every call reads the
// control as it is at that moment, never a copy taken earlier.
class InputSettings
{
public:
    virtual ~InputSettings() = default;

    virtual Mode mode() const = 0;
    virtual Input input() const = 0;
    virtual Edge edge() const = 0;
    virtual bool filterOn() const = 0;
    // Trigger level position, 0 to 7.
    virtual int level() const = 0;
    // Measuring-time (or multiplier) position, 0 to 4.
    virtual int position() const = 0;
};

} // namespace pelmix::device
