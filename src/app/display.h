#pragma once
// Finding the display before the toolkit starts, so that a program started
// without one says so in a line instead of aborting.

#include <QString>
#include <QStringList>

namespace display {

// Chooses the window system when the environment leaves it open: a Wayland
// session without the toolkit's Wayland plugin uses the X server when there
// is one. Returns the line to print when there is no display to use, else an
// empty string. The toolkit's own -platform option, or QT_QPA_PLATFORM,
// decides alone.
QString choosePlatform(const QStringList &arguments);

} // namespace display
