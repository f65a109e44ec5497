#pragma once

#include <QCoroTask>
#include <QString>

namespace pelmix::remote {

enum class Function { Frequency, Period, Interval, Totalize };

// The counter's settings for one measurement, as the remote commands set them.
struct Configuration
{
    Function function = Function::Frequency;
    // Measuring time (frequency, count) or multiplier (period, interval) position 0..4:
    // 10^gate ms, from 1 ms to 10 s.
    int gate = 3;
    int level = 0; // trigger level step, 0..7
    bool fallingEdge = false;
    bool filter = false;
    // INPut:COUPling DC selects the digital input, AC the analog one: the analog input is
    // the one behind a capacitor.
    bool analog = false;

    friend bool operator==(const Configuration &, const Configuration &) = default;
};

struct Measurement
{
    bool valid = false;
    double value = 0; // SI: Hz, s, or a count
    QString error;    // why it is not valid
};

// The counter as the remote server drives it. Whoever owns the measuring session adapts
// it to this; the server never touches the serial port itself.
class Instrument
{
public:
    virtual ~Instrument() = default;

    virtual QString model() const = 0;   // "<counter>" field of *IDN?
    virtual QString port() const = 0;    // "<port>" field, e.g. "Com2 (/dev/ttyUSB0)"
    virtual QString version() const = 0; // "<version>" field

    // One measurement with these settings. The instrument itself runs one exchange at a time.
    // A counter that does not answer gives valid=false with the error set; a lost port may be
    // reported the same way. An exception is taken as a failed measurement too.
    virtual QCoro::Task<Measurement> measure(Configuration configuration) = 0;
};

} // namespace pelmix::remote
