#pragma once
// Reading whole numbers from text, the two ways the settings files need.

#include <QString>
#include <cstdint>
#include <optional>

// Leading blanks, an optional sign, then decimal digits, or hexadecimal digits
// after "$", "x" or "0x". Decimal must fit a signed 32-bit integer; hexadecimal
// may use all 32 bits (read as two's complement). Nothing may follow.
std::optional<int32_t> parseInt32(const QString &text);

// Lenient: "0x"/"0X" prefix (longer than two characters) is hexadecimal;
// anything that is not a valid signed 32-bit integer gives the default.
int32_t lenientInt(const QString &text, int32_t defaultValue = 0);

// Strict: throws AppError "'<text>' is not a valid integer value".
int32_t strictInt(const QString &text);
