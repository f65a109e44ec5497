#pragma once

#include <QRect>
#include <QtMath>

namespace pelmix::ui {

// The panel is laid out in twips; at 15 twips a device-independent pixel. High-DPI
// scaling does the rest.
inline constexpr double TwipsPerPixel = 15.0;

inline int px(int twips)
{
    return qRound(twips / TwipsPerPixel);
}

inline QRect twips(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

} // namespace pelmix::ui
