#pragma once

#include "ScpiErrors.h"

#include <QString>

#include <memory>

namespace pelmix::remote {

class Acquisition;

// The status byte's bits (IEEE 488.2).
namespace StatusBit {
inline constexpr quint8 ErrorQueue = 0x04;       // an error or event waits in the queue
inline constexpr quint8 MessageAvailable = 0x10; // a response waits to be sent
inline constexpr quint8 EventSummary = 0x20;     // an enabled event status bit is set
inline constexpr quint8 ServiceRequest = 0x40;   // an enabled status byte bit is set
} // namespace StatusBit

// What a connection owns, as IEEE 488.2 gives each interface its own: the error queue,
// the event status register and the two enable registers, and its last measurement.
// The settings are the instrument's, shared by all connections.
struct Session
{
    ErrorQueue errors;
    quint8 events = 0;        // *ESR?
    quint8 eventEnable = 0;   // *ESE
    quint8 serviceEnable = 0; // *SRE
    // Started by this connection's INITiate or READ?: what FETCh? returns.
    std::shared_ptr<Acquisition> acquisition;
    // *OPC was sent while that measurement ran: set operation complete when it ends.
    bool completionArmed = false;
    // The client left: what it asked for is not finished, no more of it is measured.
    bool gone = false;

    // Queues an error and sets its event bit.
    void report(ErrorCode code, const QString &detail = {});
    // Is the connection's measurement still running or waiting to run?
    bool isBusy() const;
    quint8 statusByte(bool messageAvailable) const;
    // *CLS: the queue and the event register; a pending *OPC is forgotten.
    void clearStatus();
};

} // namespace pelmix::remote
