#include "BesidePanel.h"

#include <algorithm>

namespace pelmix::ui {

namespace {

// Between the two frames, so that neither's edge hides the other's.
constexpr int Gap = 8;

} // namespace

QRect besidePanel(const QRect &panel, QSize wanted, QSize least, const QRect &screen)
{
    QSize size = wanted.boundedTo(screen.size());
    const int right = screen.right() - panel.right() - Gap;
    const int left = panel.left() - screen.left() - Gap;
    int x = 0;
    if (right >= size.width()) {
        x = panel.right() + 1 + Gap;
    } else if (left >= size.width()) {
        x = panel.left() - Gap - size.width();
    } else if (std::max(left, right) >= least.width()) {
        size.setWidth(std::max(left, right));
        x = right >= left ? panel.right() + 1 + Gap : screen.left();
    } else {
        // No room even for the narrowest window: the narrowest, at the screen's edge on the
        // panel's wider side, hides the least of the panel.
        size.setWidth(std::min(least.width(), size.width()));
        x = right >= left ? screen.right() + 1 - size.width() : screen.left();
    }
    const int y = std::clamp(panel.top(), screen.top(), screen.bottom() + 1 - size.height());
    return {QPoint(x, y), size};
}

} // namespace pelmix::ui
