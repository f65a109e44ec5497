#include "Session.h"

#include "Acquisition.h"

namespace pelmix::remote {

void Session::report(ErrorCode code, const QString &detail)
{
    errors.push(code, detail);
    events |= eventBit(code);
}

bool Session::isBusy() const
{
    return acquisition && !acquisition->isFinished();
}

quint8 Session::statusByte(bool messageAvailable) const
{
    quint8 status = 0;
    if (errors.size() > 0)
        status |= StatusBit::ErrorQueue;
    if (messageAvailable)
        status |= StatusBit::MessageAvailable;
    if (events & eventEnable)
        status |= StatusBit::EventSummary;
    if (status & serviceEnable)
        status |= StatusBit::ServiceRequest;
    return status;
}

void Session::clearStatus()
{
    errors.clear();
    events = 0;
    completionArmed = false;
}

} // namespace pelmix::remote
