#pragma once

#include <QByteArrayView>
#include <QString>

namespace pelmix::cli {

inline constexpr char ProgramName[] = "pelmix-cli";

// Writes all of `bytes` to a file descriptor, on through partial writes and interrupted
// calls. False, with errno set, when it cannot.
bool writeAll(int fd, QByteArrayView bytes);
bool isTerminal(int fd);

// Standard error: messages, and one progress line redrawn in place, which only a terminal
// gets. Anything else written to the terminal first clears that line, so that no line
// ends up mixed with it.
namespace console {

// "pelmix-cli: message"
void error(const QString &message);
// Text as it is, to standard error.
void note(QByteArrayView text);
// Replaces the progress line; does nothing unless standard error is a terminal.
void progress(const QString &text);
void clearProgress();

} // namespace console

} // namespace pelmix::cli
