#pragma once
// Where a file's MPEG audio lies. The file is walked frame by frame; a frame
// counts only when it belongs to the stream (the same MPEG version, layer and
// sample rate as the frames before it) and the next frame, the end of the file
// or a tag follows it. The stream may change its rate where a longer run of
// frames of the new rate begins (files of other rates joined with cat). Whatever lies between (a broken download, a
// stray tag, a run of zeros, junk of any size) is left out, so it is neither heard nor counted.

#include "listening/layer3.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace audiomap {

using layer3::Header;

// A stretch of the stream handed to the decoder: length bytes of the file
// from offset, or, where offset is negative, length zero bytes (put between
// two stretches that junk separated, so that the decoder knows of the break).
struct Region {
    int64_t offset;
    int64_t length;
};

// Reads up to n bytes at offset into out; returns the bytes read (0 at the end).
using ReadAt = std::function<int64_t(int64_t offset, unsigned char *out, int64_t n)>;

// What the walk learned besides the regions.
struct Summary {
    int64_t frames = 0; // the frames of the stream it counted
    // Where frame number k * kIndexStep of the stream begins (its first frame
    // is number 0), for a walk that starts near a frame instead of at the start.
    std::vector<int64_t> index;
    // The frame count that the stream's first frame declares (a Xing or Info
    // header), where it has one.
    std::optional<int64_t> declaredFrames;
    // The stretches of one sample rate and frame length, each from its first
    // frame on: one, unless files of other rates were joined.
    struct Stretch {
        int64_t frame;
        int sampleRate;
        int samplesPerFrame;
    };
    std::vector<Stretch> stretches;
    // How loud each frame counted is, from its side information alone
    // (layer3::loudness; 0 for frames of other layers): a byte a frame, some
    // 1.4 MB for ten hours.
    std::vector<uint8_t> loudness;
    int layer = 0;           // the stream's layer (1 to 3), 0 where none was found
    bool freeFormat = false; // a stream whose frames give no bit rate
};

// The audio of a file of size bytes: the regions in order, empty when no
// stream starts within kLeadIn bytes of the start (after every ID3v2 tag in a
// row and any run of zero bytes). A free-format stream, whose frames give no
// size, is one region from its first header on, for the decoder to judge. A
// tag at the end is left out only where it fits the file (an APE tag's header
// and items agree with its size, and the audio ends whole where it begins).
// With progress, the summary so far is handed there every kProgressFrames
// frames, on the walk's thread (a second walk, where a tag at the end proves
// false, starts it again from no frames).
using Progress = std::function<void(const Summary &)>;
constexpr int64_t kProgressFrames = 1024;
[[nodiscard]] std::vector<Region> scan(const ReadAt &read, int64_t size, Summary *summary = nullptr,
                                       const Progress &progress = {});

// The playing time that the stream's first frame declares, as a gapless
// decoder gives it: a Xing or Info header's frames (less its LAME tag's
// encoder delay and padding), or a VBRI header's. Read from the start of the
// file only (its tags, then the first frames), so that it is known long
// before the walk has passed the whole file; none where no header declares it.
// The walk may find that it lied (junk, files joined, a file cut short).
struct Declared {
    int64_t samples = 0;
    int sampleRate = 0;
};
[[nodiscard]] std::optional<Declared> declaredLength(const ReadAt &read, int64_t size);

// The bytes of the ID3v2 tags in a row at the start of the file (0 for none).
[[nodiscard]] int64_t leadingTags(const ReadAt &read, int64_t size);

// The search for the next frame looks at 16 bytes at a time where the
// processor can (SSE2). Switched off, it looks at one byte at a time, as on a
// processor without: the two must find the same frames, which the tests hold
// them to. On by default where there is such a search.
void useBlockSearch(bool on);

// The bytes the walk reads at a time: a window of the file.
constexpr int64_t kWindowBytes = 1 << 20;
constexpr int64_t kLeadIn = 1 << 20;
constexpr int64_t kIndexStep = 1024;
constexpr int64_t kBreak = 4; // zero bytes between regions

} // namespace audiomap
