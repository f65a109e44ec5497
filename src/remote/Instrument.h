#pragma once

#include "core/Setup.h"
#include "measure/Result.h"

#include <QCoroTask>
#include <QString>

namespace pelmix::remote {

// The counter as the remote server drives it. Whoever owns the measuring session adapts
// it to this; the server never touches the serial port itself.
class Instrument
{
public:
    virtual ~Instrument() = default;

    virtual QString model() const = 0;   // "<counter>" field of *IDN?
    virtual QString port() const = 0;    // "<port>" field: "/dev/ttyUSB0", or "Com2"
    virtual QString version() const = 0; // "<version>" field

    // One measurement with this setup, after the one under way. Every measurement gives
    // a result; throws device::Cancelled when the program ends meanwhile.
    virtual QCoro::Task<measure::Result> measure(Setup setup) = 0;
    // Ends the measurement under way before its next exchange with the counter.
    virtual void abort() = 0;
};

} // namespace pelmix::remote
