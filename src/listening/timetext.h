#pragma once
// Times as a person reads them: h:mm:ss.cc, or m:ss.cc for a track shorter
// than an hour, and back to milliseconds.

#include <QString>
#include <cstdint>
#include <optional>

namespace timetext {

// ms as m:ss.cc, or h:mm:ss.cc with hours; the hundredths are cut, not rounded,
// so that a time never reads later than it is.
[[nodiscard]] QString format(int64_t ms, bool withHours);

// Whether the times of a track of this length show hours.
[[nodiscard]] constexpr bool needsHours(int64_t lengthMs)
{
    return lengthMs >= 3600000;
}

// Milliseconds from "[h:]m:ss[.c[c[c]]]" or from plain decimal milliseconds;
// nothing for anything else, or for a time that does not fit 32 bits.
[[nodiscard]] std::optional<int32_t> parse(const QString &text);

} // namespace timetext
