#pragma once
// Opening a document or URL with the desktop's default program: xdg-open
// (launcher_posix.cpp); another platform would call its own opener here.

#include <QUrl>
#include <functional>

class QObject;

namespace launcher {

// Hands url to the desktop's opener and returns at once. done(false) follows
// when no program could open it (the opener could not start, or exited with a
// failure such as "no method available"); done(true) when it exited with
// success, or is still running after kGraceMs (an opener that runs the program
// itself). done runs once, from the event loop, and not at all when context
// (if given) is gone by then. The opened program is never waited for.
void openWithDefault(const QUrl &url, QObject *context, std::function<void(bool)> done);

constexpr int kGraceMs = 2000;

} // namespace launcher
