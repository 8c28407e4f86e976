#pragma once
// The byte range of the byte panel, read from its labels.

#include <QString>
#include <cstdint>
#include <optional>

namespace byterange {

struct Range {
    int32_t start = 0;
    int32_t end = 0; // exclusive
};

// Converts the two label texts strictly; nothing, with the first text's
// failure in error, when either is no whole number.
[[nodiscard]] std::optional<Range> fromLabels(const QString &startText, const QString &endText,
                                              QString *error = nullptr);
// The size of the piece: end − start when start lies below end, else 0.
[[nodiscard]] int32_t pieceSize(const Range &range);
// The segment to write, or nothing when start does not lie below end.
struct Segment {
    int32_t start;
    int32_t length;
};
[[nodiscard]] std::optional<Segment> segmentOf(const Range &range);

} // namespace byterange
