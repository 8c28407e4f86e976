#pragma once
// A long write that never freezes the window: the copy runs on a thread of
// its own while the window repaints and answers the window manager. A write
// that lasts more than about a second shows a progress window with Cancel
// (Escape); a shorter one looks as if it had run in the handler.

#include "segment/segmentfile.h"

#include <QString>

#include <functional>

class QWidget;

namespace segment {

constexpr int kProgressAfterMs = 1000;

struct ProgressHooks {
    // What the progress window says is under way ("... : 1.0 of 4.0 MiB").
    QString what = QStringLiteral("Writing the new MP3");
    // Ctrl+Q in the progress window: the write is cancelled, and then this.
    std::function<void()> quit;
    // While the progress window shows (true) and once it has gone (false):
    // the owner takes no clicks meanwhile, but can still be closed.
    std::function<void(bool)> busy;
};

// Runs work on a thread of its own, which reports into progress and stops
// when progress asks it to, and returns once it has ended. For its first
// second the windows repaint but take no input; then the progress window shows.
void runWithProgress(QWidget *owner, int64_t total, CopyProgress &progress, const std::function<void()> &work,
                     const ProgressHooks &hooks);

} // namespace segment
