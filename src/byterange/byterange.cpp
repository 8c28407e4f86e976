#include "byterange/byterange.h"

#include "core/intconv.h"

namespace byterange {

std::optional<Range> fromLabels(const QString &startText, const QString &endText, QString *error)
{
    const std::optional<int32_t> start = strictInt(startText, error);
    if (!start)
        return std::nullopt;
    const std::optional<int32_t> end = strictInt(endText, error);
    if (!end)
        return std::nullopt;
    return Range{*start, *end};
}

int32_t pieceSize(const Range &range)
{
    return range.start < range.end ? static_cast<int32_t>(static_cast<int64_t>(range.end) - range.start) : 0;
}

std::optional<Segment> segmentOf(const Range &range)
{
    if (!(range.start < range.end))
        return std::nullopt;
    // Both lie in 0 … 2147483647 in practice; the difference is then exact.
    return Segment{range.start, static_cast<int32_t>(static_cast<int64_t>(range.end) - range.start)};
}

} // namespace byterange
