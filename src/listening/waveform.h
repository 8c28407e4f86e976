#pragma once
// The picture of a source's sound along its length: which stretch of time a
// strip of pixel columns shows, how loud each column is drawn, and where that
// comes from. The whole file is drawn at once from the loudness figures the
// walk took from each frame's side information (no decoding); a view of ten
// minutes or less is drawn from decoded samples, the frames in view decoded
// from the map's index.

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct SourceMap;

namespace waveform {

// A stretch of the timeline across width columns.
struct View {
    double startMs = 0;
    double msPerPixel = 1;
    int width = 1;
    [[nodiscard]] double msAt(double x) const { return startMs + x * msPerPixel; }
    [[nodiscard]] double xAt(double ms) const { return (ms - startMs) / msPerPixel; }
    [[nodiscard]] double endMs() const { return startMs + width * msPerPixel; }
};

constexpr double kFinestMsPerPixel = 1;     // the deepest zoom
constexpr double kDecodedMs = 10 * 60000.0; // views of this length or less are decoded
constexpr double kStereoMs = 60000.0;       // and of this or less, each channel's samples

// The whole track of lengthMs across width columns.
[[nodiscard]] View whole(double lengthMs, int width);
// The view zoomed by factor (above 1 closer, below 1 farther) about the time
// at column x, which stays at x; never closer than kFinestMsPerPixel, never
// farther than the whole track, and within it.
[[nodiscard]] View zoomed(const View &view, double factor, double x, double lengthMs);
// The view moved by the time of pixels columns (negative: earlier), within the track.
[[nodiscard]] View scrolled(const View &view, double pixels, double lengthMs);
// The view that shows positionMs: the same where it does, else the page that
// begins there (turned as the position leaves the view while playing).
[[nodiscard]] View following(const View &view, double positionMs, double lengthMs);

// How tall a column is drawn, 0 (silence) to 1 (full scale), on a scale of
// decibels from kRangeDb below full scale: the same scale for a decoded peak
// (an amplitude, 1 full scale) and for a frame's loudness figure.
constexpr double kRangeDb = 42;
[[nodiscard]] float levelOfPeak(float peak);
// A frame's loudness figure (layer3::loudness: 0 where it codes nothing, else
// its largest global gain) as a level. Each step of the gain is some 1.25 dB
// of the sound's peaks; which gain stands for full scale depends on the
// encoder and the sound (a pure tone takes a lower gain than speech or
// music), so the figure is read against the source's own loud frames:
// reference is the gain of its loudest frames but a few (see referenceOf),
// drawn 6 dB below full scale.
[[nodiscard]] float levelOfLoudness(uint8_t figure, int reference);
// The gain that 95 of 100 frames that code sound stay at or below: 0 where none does.
[[nodiscard]] int referenceOf(const std::vector<uint8_t> &figures);

// How loud the frames of a source are, as the walk found them, and where they lie in time.
struct Loudness {
    std::vector<uint8_t> perFrame; // one figure a frame of the stream, the Info frame included
    int64_t firstAudio = 0;        // frames before the audio (the Xing or Info frame)
    int samplesPerFrame = 1152;
    int sampleRate = 44100;
    int64_t skip = 0;  // samples the decoder drops at its start
    int reference = 0; // referenceOf(perFrame)
    [[nodiscard]] double frameMs(int64_t frame) const;
};

// The loudness of the source that map describes.
[[nodiscard]] Loudness loudnessOf(const SourceMap &map);

// The overview: each column's level, the loudest frame of those it covers
// (0 for columns past what is known).
[[nodiscard]] std::vector<float> overview(const Loudness &loudness, const View &view);

// The decoded view: each column's level, the largest sample of those it
// covers, over both channels (in a view longer than kStereoMs, of the two
// mixed). The frames in view are decoded from the nearest
// indexed frame before them, with two frames more before for the bit
// reservoir. None, with the decoder's text in error, where the file does not
// decode there or cancel was set. With partial, the levels of the columns
// decoded so far (and how many they are) are handed there every
// kPartialMs of decoding, so that a long view is drawn as it is decoded.
using Partial = std::function<void(const std::vector<float> &levels, int columns)>;
constexpr int kPartialMs = 40;
[[nodiscard]] std::optional<std::vector<float>> decodedPeaks(const QString &path, const SourceMap &map,
                                                             const View &view, const std::atomic<bool> &cancel,
                                                             QString *error = nullptr, const Partial &partial = {});

} // namespace waveform
