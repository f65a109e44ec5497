#pragma once

#include <QCoroTask>
#include <QString>

namespace pelmix::measure {

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
