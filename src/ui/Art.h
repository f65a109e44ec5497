#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace pelmix::ui {

// The panel's artwork, drawn from the SVG resources at the screen's pixel density.
namespace Art {
QPixmap pixmap(const QString &name, QSize size, qreal devicePixelRatio);
// An icon with crisp renderings at 1x and 2x.
QIcon icon(const QString &name, QSize size);
QIcon windowIcon();
} // namespace Art

} // namespace pelmix::ui
