#pragma once

#include "InputSettings.h"

#include <QCoroTask>
#include <QString>

namespace pelmix::device {

class Link;

// Uploads the input settings before a measurement in `mode`: resets the counter through
// DTR, sends the mode letter, edge, filter and calibration switch, then steps the level
// and the measuring time until the status line shows the settings' positions. Each
// setting is read when its step runs. Every reply is kept in `lastReply`.
//
// Returns false when the counter did not follow (a short reply to the mode letter, or a
// stepping budget spent); the caller reports it and measures all the same.
QCoro::Task<bool> uploadSettings(Link &link, const InputSettings &settings, Mode mode,
                                 QString &lastReply);

} // namespace pelmix::device
