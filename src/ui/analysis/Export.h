#pragma once

#include "analysis/Reading.h"

#include <QString>

#include <optional>
#include <vector>

class QGraphicsView;

namespace pelmix::ui {

// Saving what the analysis window shows. Each file is written under a temporary name and
// renamed when complete, so a failure never leaves half a file under the chosen name.
// Each returns why it failed, when it did.

// The readings of a series as the reading file has them. Works on a copy, on any thread.
std::optional<QString> writeReadings(const QString &path, const pelmix::Setup &setup,
                                     const std::vector<analysis::Reading> &readings);

// What a chart view shows: SVG when the name ends in .svg, PNG otherwise.
std::optional<QString> writeChart(QGraphicsView &view, const QString &path);

} // namespace pelmix::ui
