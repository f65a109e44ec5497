#pragma once

#include "InputSettings.h"

#include <QCoroTask>
#include <QString>

namespace pelmix::device {

class Link;

// What an upload sent, and whether the counter followed it.
struct Upload
{
    Setup setup;
    bool confirmed = false;
};

// Uploads the input settings before a measurement in `mode`: resets the counter through
// DTR, sends the mode letter, edge, filter and calibration switch, then steps the level
// and the measuring time until the status line shows the settings' positions. Each
// setting is read when its step runs, and the setup returned holds the values sent (a
// counting measurement sends only its mode letter; its other fields are the settings as
// they were then). Every reply is kept in `lastReply`.
//
// Not confirmed when the counter did not follow (a short reply to the mode letter, or a
// stepping budget spent); the caller reports it and measures all the same.
QCoro::Task<Upload> uploadSettings(Link &link, const InputSettings &settings, Mode mode,
                                   QString &lastReply);

} // namespace pelmix::device
