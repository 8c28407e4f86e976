#pragma once
// Unfinished files that a killed run leaves behind. A new file is written
// under a temporary name beside its final one (its name, a dot and six
// letters or digits) and renamed when it is whole. A run killed before then
// (SIGKILL, a crash, a power cut) leaves it there. Each such file carries a
// mark that says which run wrote it, so that a later write in the same folder
// can remove it once that run has ended. A file without the mark is never
// removed: nothing else proves it is this program's.

#include <QString>

class QFileDevice;

namespace leftovers {

// Marks the unfinished file open in out, to become destination, as this run's.
void mark(QFileDevice &out, const QString &destination);

// The finished file at destination no longer carries the mark.
void unmark(const QString &destination);

// Removes the marked files in destination's folder that belong to a run that
// has ended; returns how many went.
int removeFrom(const QString &destination);

} // namespace leftovers
