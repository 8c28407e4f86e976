#pragma once
// Ending the program on SIGTERM, SIGHUP or SIGINT (a logout, kill, Ctrl+C)
// without leaving a half-written file behind: a write in progress is
// abandoned first, and the signal then ends the program as it would have.

namespace termination {

// Installs the handlers. Outside a write a signal ends the program at once,
// exactly as without them.
void install();

// True when a termination signal arrived during the write in progress: the
// write should stop, remove what it wrote, and return.
[[nodiscard]] bool requested();

// Marks a write in progress while it lives. When the last one ends, a
// signal that arrived meanwhile takes effect.
class WriteInProgress {
public:
    WriteInProgress();
    ~WriteInProgress();
    WriteInProgress(const WriteInProgress &) = delete;
    WriteInProgress &operator=(const WriteInProgress &) = delete;
};

} // namespace termination
