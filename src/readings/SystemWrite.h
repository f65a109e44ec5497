#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace pelmix::readings {

// Writes on a file descriptor that say why they failed. Qt's buffered writes lose the
// reason of a short write (a disk that fills in the middle of a block) and report
// "Unknown error"; these keep the system's error number.

// Every byte, or the error number that stopped the writing.
std::optional<int> writeAll(int fd, const QByteArray &bytes);
// On the disk, or the error number; a file that cannot be synced (a terminal) is no
// failure.
std::optional<int> syncToDisk(int fd);
// The system's words for an error number: "No space left on device".
QString systemError(int error);

} // namespace pelmix::readings
