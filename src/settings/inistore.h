#pragma once
// Private-profile INI files: every read and write opens the file, acts and
// lets it go. A write replaces the file whole, or leaves it as it was.

#include <QString>

namespace ini {

// The value of [section] key, or defaultValue when the file, the section or
// the key is missing. Sections and keys are case-insensitive; the first of
// duplicate keys wins.
[[nodiscard]] QString readString(const QString &path, const QString &section, const QString &key,
                                 const QString &defaultValue);

// Sets [section] key := value, creating the file, section and key as needed
// and keeping everything else. False with "Unable to write to <path>" when the
// file cannot be written (it is then as it was); the system's reason goes to
// diagnose().
[[nodiscard]] bool writeString(const QString &path, const QString &section, const QString &key, const QString &value,
                               QString *error = nullptr);

// The text as the store reads it: NUL bytes read as blanks, and a section
// line that lacks its closing bracket is closed at the end of its line (so
// that the keys after it stay in that section when the file is written again).
[[nodiscard]] QByteArray normalized(const QByteArray &data);

} // namespace ini
