#pragma once
// Reading whole numbers from text, the two ways the settings files need.

#include <QString>
#include <cstdint>
#include <optional>

// Leading blanks, an optional sign, then decimal digits, or hexadecimal digits
// after "$", "x" or "0x". Decimal must fit a signed 32-bit integer; hexadecimal
// may use all 32 bits (read as two's complement). Nothing may follow.
[[nodiscard]] std::optional<int32_t> parseInt32(const QString &text);

// Lenient: what parseInt32 reads, and the default for anything else.
[[nodiscard]] int32_t lenientInt(const QString &text, int32_t defaultValue = 0);

// Strict: what parseInt32 reads; else nothing, with
// "'<text>' is not a valid integer value" in error.
[[nodiscard]] std::optional<int32_t> strictInt(const QString &text, QString *error = nullptr);
