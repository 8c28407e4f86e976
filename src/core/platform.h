#pragma once
// Where the program keeps its files, and how paths split, on this platform.
// Built for POSIX (platform_posix.cpp); another platform would provide its own
// folders, separators and file identity behind these same functions.

#include <QString>

#include <cstdint>
#include <optional>

namespace platform {

// The folder of the statistics INI file (with no trailing separator),
// created when missing. Empty when it cannot be determined.
[[nodiscard]] QString windowsDir();
// Full path of the window-size file.
[[nodiscard]] QString sizeIniPath();
// The root below which QSettings keeps "Quillfen/Cleavo" in native format.
[[nodiscard]] QString settingsRoot();

// True for the characters that end the folder part of a path.
[[nodiscard]] bool isPathSeparator(QChar c);

// Same file on disk (after links are resolved); false when either is missing.
[[nodiscard]] bool sameFile(const QString &a, const QString &b);

// A file as it is now: the same file, unchanged, has the same identity.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = -1;
    int64_t modified = 0; // nanoseconds
    bool operator==(const FileIdentity &) const = default;
};
// The identity of the file at path (links followed), or of an open file.
[[nodiscard]] std::optional<FileIdentity> identityOf(const QString &path);
[[nodiscard]] std::optional<FileIdentity> identityOf(int fd);

// What the desktop's file manager is called, in a message.
[[nodiscard]] QString fileManagerName();
// Where a help page that would not open can be found, in a message.
[[nodiscard]] QString pageLocationText(const QString &page);

// Where the desktop has no session bus (a bare X server, a remote X
// session), none may be started for the program: the first use of the bus
// (the accessibility bridge, an audio library) would otherwise launch one on
// the X display, to stay after the program ends. Bars that, before the
// toolkit starts; true when it had to. The programs the program starts get
// the environment as it was.
bool barSessionBusLaunch();
// Whether barSessionBusLaunch() barred it.
[[nodiscard]] bool sessionBusBarred();
extern const char *const kNoSessionBus; // the address that bars it

} // namespace platform
