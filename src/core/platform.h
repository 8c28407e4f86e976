#pragma once
// Where the program keeps its files, and how paths split, on this platform.

#include <QString>

namespace platform {

// The folder of the statistics INI file (with no trailing separator),
// created when missing. Empty when it cannot be determined.
QString windowsDir();
// Full path of the window-size file.
QString sizeIniPath();
// The root below which QSettings keeps "Quillfen/Cleavo" in native format.
QString settingsRoot();

// True for the characters that end the folder part of a path.
bool isPathSeparator(QChar c);

// Same file on disk (after links are resolved); false when either is missing.
bool sameFile(const QString &a, const QString &b);

} // namespace platform
