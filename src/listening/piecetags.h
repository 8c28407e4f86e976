#pragma once
// The ID3v2 tags a piece keeps from its source: every frame but those that
// describe the whole source's sound (its length, its measured loudness),
// which would be wrong for the piece.

#include <QByteArray>
#include <optional>

namespace piecetags {

// The ID3v2 tag (header, frames, padding; footer where it has one) for the
// piece: the same size, with the frames that measure the whole source (TLEN,
// ReplayGain in TXXX, RVA2 and RGAD, iTunNORM comments) left out and the
// padding grown by as much. None where nothing is left out, or where the tag
// cannot be taken apart safely (then it is kept as it is).
[[nodiscard]] std::optional<QByteArray> withoutSourceMeasures(const QByteArray &tag);

// The size of the ID3v2 tag at the start of bytes (footer included), or 0.
[[nodiscard]] int64_t tagSize(const unsigned char *bytes, int64_t available);

} // namespace piecetags
