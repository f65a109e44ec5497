#pragma once

#include "InputSettings.h"

#include <QString>

namespace pelmix::device {

// The counter answers every one-character command with one line ended by a carriage
// return. These are the commands and the waits the program uses with them.
namespace Command {
inline constexpr char Status = 'w';
inline constexpr char Data = 'D';
inline constexpr char LevelStep = '+';
inline constexpr char TimeStep = 'C';
} // namespace Command

// A command as the exchange sends it.
inline QString commandText(char command)
{
    return QString(QLatin1Char(command));
}

inline constexpr float StatusTimeout = 1.0f;
inline constexpr float SettingsTimeout = 1.0f;
inline constexpr float ResetPause = 0.1f;
inline constexpr float SteppingBudget = 3.0f;

// Minimum lengths of a usable reply, the carriage return and line feed included.
inline constexpr qsizetype MinStatusReply = 6;
inline constexpr qsizetype MinModeReply = 5;

inline const QString ConnectionError = QStringLiteral("Connection Error");

// The mode letter: upper case for the digital input, lower case for the analog one.
// Calibration always uses "F".
QString modeCommand(Mode mode, bool analog);
QString edgeCommand(bool fallingEdge);
QString filterCommand(bool on);
QString calibrationCommand(bool on);

} // namespace pelmix::device
