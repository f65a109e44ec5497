#pragma once

#include <QStringList>

namespace pelmix::cli {

// pelmix-cli analyze FILE...: statistics and Allan deviations of recorded values.
int runAnalyze(const QStringList &arguments);

} // namespace pelmix::cli
