#pragma once
// Unfinished files that a killed run leaves behind. A new file is written
// under a temporary name beside its final one (its name, a dot and six
// letters or digits) and renamed when it is whole. A run killed before then
// (SIGKILL, a crash, a power cut) leaves it there. Each such file carries a
// mark that says which run wrote it, so that a later write in the same folder
// can remove it once that run has ended. A file without the mark is never
// removed: nothing else proves it is this program's. The mark names this
// computer and its boot, and the process: a file that another computer
// writes in a shared folder is never taken for one whose writer has ended.
// Built for Linux (leftovers_linux.cpp: extended attributes, /proc); another
// platform would keep the mark and tell a live writer its own way.

#include <QFile>
#include <QString>

class QFileDevice;

namespace leftovers {

// The part of the unfinished file's name before the dot and six letters or
// digits: the final name, shortened (by whole characters) where the two would
// pass the longest name a folder takes.
constexpr int kLongestName = 255; // bytes of a name, as Linux filesystems take them
[[nodiscard]] inline QString unfinishedStem(const QString &finalName)
{
    constexpr int kSuffix = 7; // a dot and six letters or digits
    QString stem = finalName;
    while (!stem.isEmpty() && QFile::encodeName(stem).size() + kSuffix > kLongestName)
        stem.chop(stem.size() >= 2 && stem.at(stem.size() - 1).isLowSurrogate() ? 2 : 1);
    return stem;
}

// Marks the unfinished file open in out, to become destination, as this run's.
void mark(QFileDevice &out, const QString &destination);

// The finished file at destination no longer carries the mark.
void unmark(const QString &destination);

// Removes the marked files in destination's folder that belong to a run that
// has ended; returns how many went.
int removeFrom(const QString &destination);

} // namespace leftovers
