#pragma once
// Where the main window goes on the screen: its restored size, and its frame
// kept inside the area that the desktop's panels leave free.

#include <QMargins>
#include <QRect>
#include <QSize>
#include <cstdint>

namespace placement {

// The size the window opens at: the stored width and height where they are not
// 0 (else the window's own), kept between a least size that still shows the
// title bar and the area of the screen that windows may use (when known).
[[nodiscard]] QSize restoredSize(int32_t storedWidth, int32_t storedHeight, QSize own, QSize available);

// The window's geometry (without its frame) moved, and shrunk where it must,
// so that the frame the desktop draws around it lies inside the available area
// (the screen less its panels), without going below least.
[[nodiscard]] QRect fitFrame(QRect geometry, QMargins frame, QRect available, QSize least);

} // namespace placement
