#pragma once
// The desktop's trash (the freedesktop.org Trash specification): a file that
// is about to be replaced goes there first, so that it can be restored from
// the file manager.
// Built for POSIX (trash_posix.cpp); another platform would hand the file to
// its own recycle bin behind moveToTrash.

#include <QString>

namespace trash {

// Where a file went: the trashed file, and the info file that tells where it came from.
struct Trashed {
    QString file;
    QString info;
};

// What became of a file handed to the trash.
enum class Outcome {
    Moved,   // it is in the trash
    NoTrash, // its disk has no trash, and none can be made there
    Refused  // a trash is there, but the move failed
};

// Moves the regular file at path into the trash of its filesystem: the home
// trash ($XDG_DATA_HOME/Trash) on the home's, else the mount's .Trash/$uid or
// .Trash-$uid, its top found where the folder really lies (links resolved).
// Folders that are missing are made. Unless Moved, with the reason; path is
// then as it was.
[[nodiscard]] Outcome moveToTrash(const QString &path, Trashed *trashed, QString *reason = nullptr);

// Puts a file that moveToTrash moved back at path, and removes its info file.
[[nodiscard]] bool restore(const Trashed &trashed, const QString &path);

// The Path= value of an info file: the path with every byte that is not
// unreserved or "/" percent-encoded.
[[nodiscard]] QByteArray encodedPath(const QByteArray &path);

} // namespace trash
