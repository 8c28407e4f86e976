#pragma once
// Cutting at the exact marks: the piece of a Layer III stream from one time to
// another, as whole frames of the source behind a fresh Info frame whose
// encoder delay and padding tell a decoder which samples to drop at each end.
// A few frames before the first one heard are kept too, so that its bit
// reservoir and the filter bank's overlap decode as they do in the source.

#include "segment/segmentfile.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

struct SourceMap;

namespace exactcut {

struct Plan {
    std::vector<segment::Chunk> chunks; // the new file, in order
    int64_t bytes = 0;                  // its size
    int64_t firstOffset = 0;            // where its first source frame lies in the source
    int64_t sourceSpan = 0;             // from there to the end of its last source frame
    int64_t samples = 0;                // what a gapless decoder gives of it, per channel
    int rate = 0;                       // samples a second
    bool wholeLeadIn = true;            // false: the first frame heard may not decode whole
    [[nodiscard]] int64_t ms() const { return rate > 0 ? samples * 1000 / rate : 0; }
};

// The piece of source from startMs to endMs, planned on map: where its audio
// lies and the timeline the player gives it (sourceMap() of the player; none
// where the player found no audio that plays). The times are milliseconds on
// that timeline. None, with a text for the user in error, where the source
// cannot be cut this way (free format, not Layer III, unreadable) or the end
// is not after the start.
[[nodiscard]] std::optional<Plan> plan(const QString &source, const SourceMap *map, int32_t startMs, int32_t endMs,
                                       QString *error = nullptr);

// The CRC-16 of a LAME tag (polynomial 0x8005, reflected, starting from 0).
[[nodiscard]] uint16_t tagCrc(const unsigned char *data, size_t n);

} // namespace exactcut
