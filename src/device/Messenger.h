#pragma once

#include <QCoroTask>
#include <QString>

namespace pelmix::device {

// Shows a message with an OK button and resumes once the operator has answered it.
// Throws Cancelled when the program shuts down meanwhile.
class Messenger
{
public:
    virtual ~Messenger() = default;
    virtual QCoro::Task<> message(QString text) = 0;
};

} // namespace pelmix::device
