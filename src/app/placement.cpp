#include "app/placement.h"

#include <algorithm>

namespace placement {

QSize restoredSize(int32_t storedWidth, int32_t storedHeight, QSize own, QSize available)
{
    constexpr int kLeastWidth = 136, kLeastHeight = 39;
    int w = storedWidth != 0 ? storedWidth : own.width();
    int h = storedHeight != 0 ? storedHeight : own.height();
    if (available.isValid()) {
        w = std::min(w, available.width());
        h = std::min(h, available.height());
    }
    return {std::max(w, kLeastWidth), std::max(h, kLeastHeight)};
}

QRect fitFrame(QRect geometry, QMargins frame, QRect available, QSize least)
{
    const int w = std::max(least.width(), std::min(geometry.width(), available.width() - frame.left() - frame.right()));
    const int h
        = std::max(least.height(), std::min(geometry.height(), available.height() - frame.top() - frame.bottom()));
    const int x
        = std::max(available.left() + frame.left(), std::min(geometry.x(), available.right() + 1 - frame.right() - w));
    const int y
        = std::max(available.top() + frame.top(), std::min(geometry.y(), available.bottom() + 1 - frame.bottom() - h));
    return {x, y, w, h};
}

} // namespace placement
