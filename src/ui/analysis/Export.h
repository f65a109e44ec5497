#pragma once

#include <QString>

#include <optional>

class QGraphicsView;

namespace pelmix::ui {

// What a chart view shows, saved as SVG when the name ends in .svg, PNG otherwise: the
// old file is replaced only by a complete new one. Returns why it failed, when it did.
std::optional<QString> writeChart(QGraphicsView &view, const QString &path);

} // namespace pelmix::ui
