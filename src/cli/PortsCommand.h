#pragma once

#include <QStringList>

namespace pelmix::cli {

// pelmix-cli ports: the serial ports of the system and the ComN that name them.
int runPorts(const QStringList &arguments);

} // namespace pelmix::cli
