#pragma once

#include <QStringList>

namespace pelmix::cli {

// pelmix-cli measure: measures as the front panel does and writes the readings.
int runMeasure(const QStringList &arguments);

} // namespace pelmix::cli
