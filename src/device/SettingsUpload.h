#pragma once

#include <QCoroTask>
#include <QString>

namespace pelmix::device {

class Link;
class Messenger;
class InputSettings;

// Uploads the front panel's settings before a measurement: resets the counter through
// DTR, sends the mode letter, edge, filter and calibration switch, then steps the level
// and the measuring time until the status line shows the sliders' positions. Reports
// "Connection Error" itself and returns; the measurement goes on all the same.
// Every reply is kept in `lastReply`.
QCoro::Task<> uploadSettings(Link &link, const InputSettings &panel, Messenger &messenger,
                             QString &lastReply);

} // namespace pelmix::device
