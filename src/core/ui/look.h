#pragma once
// The look of the program's own windows.

#include <QPalette>

namespace look {

// Grey panels and black text, the same whatever palette the desktop has
// (a dark one included): every text and glyph keeps its contrast.
QPalette windowPalette();

} // namespace look
