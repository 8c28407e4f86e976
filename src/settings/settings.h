#pragma once
// The persisted settings and counters: window size, last folder, split count
// and the "Ask" choice.

#include <QString>
#include <cstdint>
#include <optional>

namespace settings {

extern const char *const kFormSection; // "frmsplit"

[[nodiscard]] int32_t ReadFormWidth(const QString &section, const QString &path);
[[nodiscard]] int32_t ReadFormHeight(const QString &section, const QString &path);
// The functions below that can fail return false (or nothing) with the text to
// show in error: "Unable to write to <path>" for a settings file that cannot be
// written, which is then left as it was.

// Writes "W" then "H".
[[nodiscard]] bool SaveFormSize(int width, int height, const QString &section, const QString &path,
                                QString *error = nullptr);

// Sets SplitCount to 0, then to [Stat] "Number" read strictly: a text that is
// no whole number fails with "'<text>' is not a valid integer value", leaving
// SplitCount 0. A statistics file that was never located (empty path) counts
// nothing.
[[nodiscard]] bool ReadSplitCount(const QString &statsPath, int64_t &SplitCount, QString *error = nullptr);
// Reads the count, adds n with signed 32-bit wrap-around and writes the sum.
// SplitCount keeps the value read before the addition.
[[nodiscard]] bool AddToSplitCount(const QString &statsPath, int64_t &SplitCount, int32_t n, QString *error = nullptr);

// Creates the statistics file with [Stat] Number=0 when no file exists there.
[[nodiscard]] bool CreateStatsFileIfMissing(const QString &statsPath, QString *error = nullptr);

// [History] "Last Dir".
[[nodiscard]] QString ReadLastDir(const QString &statsPath);
[[nodiscard]] bool WriteLastDir(const QString &statsPath, const QString &folder, QString *error = nullptr);

// The "Ask" value: true when missing (it is then created as 1) or when its
// store cannot be opened. Fails with "Invalid data type for 'Ask'" for a value
// that is not a whole number and with "Failed to set data for 'Ask'" when it
// cannot be written.
[[nodiscard]] std::optional<bool> LoadAskFlag(QString *error = nullptr);
[[nodiscard]] bool SaveAskFlag(bool ask, QString *error = nullptr);

// The "Exact" value beside it: whether the listening marks cut at their exact
// times. False where it is missing or no whole number (it is never created
// before it is first chosen); written as "Ask" is, failing with
// "Failed to set data for 'Exact'".
[[nodiscard]] bool LoadExactFlag();
[[nodiscard]] bool SaveExactFlag(bool exact, QString *error = nullptr);

} // namespace settings
