#pragma once

#include <QString>

namespace pelmix::device {

// Positions of the status line, counted from 1.
inline constexpr int TimePosition = 3;
inline constexpr int LevelPosition = 7;

// The digit at `position` of a status line; any other character, or a position
// beyond the end, reads as 0.
int statusPosition(const QString &line, int position);

} // namespace pelmix::device
