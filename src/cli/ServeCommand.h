#pragma once

#include <QStringList>

namespace pelmix::cli {

// pelmix-cli serve: the counter over TCP with SCPI commands.
int runServe(const QStringList &arguments);

} // namespace pelmix::cli
