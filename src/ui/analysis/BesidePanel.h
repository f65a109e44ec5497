#pragma once

#include <QRect>
#include <QSize>

namespace pelmix::ui {

// Where the analysis window opens: its frame beside the front panel's frame `panel`,
// wholly on `screen` (the available area of the panel's screen), its top level with the
// panel's. To the right where it fits, else to the left; where neither side has room for
// `wanted`, it narrows to the wider side down to `least`, and below that it takes the
// wider side's screen edge and covers as little of the panel as it can. Never larger than
// the screen.
QRect besidePanel(const QRect &panel, QSize wanted, QSize least, const QRect &screen);

} // namespace pelmix::ui
