#pragma once
// Mapping the listening marks to byte offsets through whole percentages, in
// 80-bit extended arithmetic with ties rounded to even.

#include <QString>
#include <cstdint>
#include <limits>
#include <optional>

static_assert(std::numeric_limits<long double>::digits == 64,
              "the mark mapping needs 80-bit extended long double (64-bit significand)");

namespace marks {

// The mark as a whole percentage of the track's length: mark / length first,
// then times 100, then rounded to the nearest integer (ties to even).
// Fails with "Floating point division by zero" for a length of 0, or with
// "Invalid floating point operation" when the mark is 0 too.
[[nodiscard]] std::optional<int32_t> Percent(int32_t mark, int32_t length, QString *error = nullptr);

// The same share of the file: percent × size as an exact 64-bit product,
// divided by 100 in extended arithmetic, rounded to the nearest (ties to even).
// Fails with "Invalid floating point operation" when the quotient does not fit
// 64 bits.
[[nodiscard]] std::optional<int32_t> ByteOffset(int32_t percent, int64_t size, QString *error = nullptr);

} // namespace marks
