#pragma once
// Writing files so that a refusal of the system, whenever it comes, leaves
// the earlier file of that name exactly as it was.

#include <QByteArray>
#include <QFile>
#include <QString>

class QFileDevice;

namespace safefile {

// Writes all n bytes; a short write is followed by another. False, with the
// system's own reason ("File too large", "No space left on device"), when a
// write is refused or the device takes nothing.
[[nodiscard]] bool writeAll(QFileDevice &out, const char *data, qint64 n, QString *reason);

// Gives the new file open in out (about to replace path) the permissions of
// the file it replaces, or those of a new file where there is none. False,
// with the system's reason, when they cannot be given; a filesystem that has
// no permissions to give (a FAT stick, mounted directly or through FUSE) is
// no failure.
[[nodiscard]] bool keepPermissions(QFileDevice &out, const QString &path, QString *reason);

// Makes what was written to out durable: its buffer flushed and its data
// synced to the device. Called before QSaveFile::commit(), which would
// otherwise replace the earlier file without looking at the sync's result.
// False, with the system's reason, when either fails.
[[nodiscard]] bool syncData(QFileDevice &out, QString *reason);

// Makes data the whole content of path, or leaves path as it was and gives
// the system's reason. A new file replaces the old one whole; a file that may
// be written in a folder that may not is written in place (see writeInPlace).
[[nodiscard]] bool replace(const QString &path, const QByteArray &data, QString *reason = nullptr);

// Writes data over the existing file at path. The space for the bytes beyond
// the old end is secured before the first old byte changes, and a later
// failure (a write, the sync, the close) puts the old bytes back.
[[nodiscard]] bool writeInPlace(const QString &path, const QByteArray &data, QString *reason = nullptr);

// A new file written under a name of its own beside its final one (the final
// name, shortened where need be, a dot and six letters or digits) and given
// the final name only when it is whole. It carries the mark of an unfinished
// file while it is one, and is removed if it never becomes whole. The final
// name itself is replaced, never a file that it links to.
class PendingFile {
public:
    explicit PendingFile(QString destination);
    ~PendingFile();
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;

    // Creates the file; false, with the system's reason, where it cannot be.
    [[nodiscard]] bool open(QString *reason);
    [[nodiscard]] QFileDevice &device() { return m_file; }
    // Closes the file and renames it to the final name, replacing whatever
    // has that name; false, with the system's reason, where either fails
    // (the file is then removed).
    [[nodiscard]] bool commit(QString *reason);

private:
    QString m_destination;
    QByteArray m_path; // the file's own name while it is unfinished
    QFile m_file;
    bool m_committed = false;
};

} // namespace safefile
