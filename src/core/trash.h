#pragma once
// The desktop's trash (the freedesktop.org Trash specification): a file that
// is about to be replaced goes there first, so that it can be restored from
// the file manager.

#include <QString>

namespace trash {

// Where a file went: the trashed file, and the info file that tells where it came from.
struct Trashed {
    QString file;
    QString info;
};

// Moves the regular file at path into the trash of its filesystem: the home
// trash ($XDG_DATA_HOME/Trash) on the home's, else the mount's .Trash/$uid or
// .Trash-$uid. Folders that are missing are made. False, with the reason,
// where no trash takes it; path is then as it was.
[[nodiscard]] bool moveToTrash(const QString &path, Trashed *trashed, QString *reason = nullptr);

// Puts a file that moveToTrash moved back at path, and removes its info file.
[[nodiscard]] bool restore(const Trashed &trashed, const QString &path);

// The Path= value of an info file: the path with every byte that is not
// unreserved or "/" percent-encoded.
[[nodiscard]] QByteArray encodedPath(const QByteArray &path);

} // namespace trash
