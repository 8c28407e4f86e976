#pragma once
// A long write that never freezes the window: the copy runs on a thread of
// its own while the window repaints and answers the window manager. A write
// that lasts more than about a second shows a modal progress window with
// Cancel (Escape); a shorter one looks as if it had run in the handler.

#include "segment/segmentfile.h"

#include <functional>

class QWidget;

namespace segment {

constexpr int kProgressAfterMs = 1000;

// Runs work, which reports into progress and stops when progress asks it to,
// and returns its outcome once it has ended. Until then no input reaches the
// program's windows but the progress window's. Ctrl+Q in the progress window
// cancels the write and calls onQuit.
[[nodiscard]] CopyOutcome runWithProgress(QWidget *owner, int64_t total, CopyProgress &progress,
                                          const std::function<CopyOutcome()> &work,
                                          const std::function<void()> &onQuit);

} // namespace segment
