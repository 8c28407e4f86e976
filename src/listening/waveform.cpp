#include "listening/waveform.h"

#include "core/errors.h"
#include "listening/filereader.h"
#include "listening/layer3.h"
#include "listening/mpgplayer.h"

#include <mpg123.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>

namespace waveform {

namespace {

// Measured over test tones, synthetic speech and music: the peaks rise by
// 1.1 to 1.3 dB with each step of the gain.
constexpr double kDbPerGainStep = 1.25;
constexpr double kReferenceDb = -6;

// The first and the end sample of column x on the decoder's own count (the
// timeline's, plus the samples it drops at the start).
int64_t rawSampleAt(const View &view, double x, int rate, int64_t skip)
{
    return static_cast<int64_t>(std::floor(view.msAt(x) * rate / 1000.0)) + skip;
}

// The regions of the file from the start of the stream's frame number n on
// (the Info frame is number 0 where there is one), found from the map's index;
// none where the frames cannot be followed to it.
std::optional<std::vector<audiomap::Region>> regionsFrom(FileReader &raw, const SourceMap &map, int64_t n,
                                                         const std::atomic<bool> &cancel)
{
    const std::vector<int64_t> &index = map.summary.index;
    if (index.empty())
        return std::nullopt;
    const size_t mark = std::min(static_cast<size_t>(n / audiomap::kIndexStep), index.size() - 1);
    int64_t number = static_cast<int64_t>(mark) * audiomap::kIndexStep;
    int64_t offset = index[mark];
    const std::vector<audiomap::Region> &regions = map.regions;
    for (size_t r = 0; r < regions.size(); ++r) {
        const int64_t end = regions[r].offset + regions[r].length;
        if (regions[r].offset < 0 || end <= offset)
            continue;
        for (offset = std::max(offset, regions[r].offset); number < n && offset < end && !cancel.load(); ++number) {
            unsigned char head[4]{};
            const auto h = raw.readAt(offset, reinterpret_cast<char *>(head), sizeof head) == sizeof head
                ? layer3::parseHeader(head)
                : std::nullopt;
            if (!h)
                return std::nullopt;
            offset += h->frameBytes;
        }
        if (number == n && offset < end) {
            std::vector<audiomap::Region> from{{offset, end - offset}};
            from.insert(from.end(), regions.begin() + static_cast<std::ptrdiff_t>(r) + 1, regions.end());
            return from;
        }
    }
    return std::nullopt;
}

} // namespace

View whole(double lengthMs, int width)
{
    View view;
    view.width = std::max(1, width);
    view.msPerPixel = std::max(kFinestMsPerPixel, lengthMs / view.width);
    return view;
}

namespace {

View within(View view, double lengthMs)
{
    view.startMs = std::clamp(view.startMs, 0.0, std::max(0.0, lengthMs - view.width * view.msPerPixel));
    return view;
}

} // namespace

View zoomed(const View &view, double factor, double x, double lengthMs)
{
    const double at = view.msAt(x);
    View next = view;
    next.msPerPixel = std::clamp(view.msPerPixel / factor, kFinestMsPerPixel,
                                 std::max(kFinestMsPerPixel, lengthMs / std::max(1, view.width)));
    next.startMs = at - x * next.msPerPixel;
    return within(next, lengthMs);
}

View scrolled(const View &view, double pixels, double lengthMs)
{
    View next = view;
    next.startMs += pixels * view.msPerPixel;
    return within(next, lengthMs);
}

View following(const View &view, double positionMs, double lengthMs)
{
    if (positionMs >= view.startMs && positionMs < view.endMs())
        return view;
    View next = view;
    next.startMs = positionMs;
    return within(next, lengthMs);
}

float levelOfPeak(float peak)
{
    if (!(peak > 0))
        return 0;
    const double db = 20 * std::log10(static_cast<double>(peak));
    return static_cast<float>(std::clamp(1 + db / kRangeDb, 0.0, 1.0));
}

float levelOfLoudness(uint8_t figure, int reference)
{
    if (figure == 0)
        return 0;
    const double db = kReferenceDb + kDbPerGainStep * (figure - reference);
    // A frame that codes sound is never drawn as silence.
    return static_cast<float>(std::clamp(1 + db / kRangeDb, 0.02, 1.0));
}

int referenceOf(const std::vector<uint8_t> &figures)
{
    std::array<int64_t, 256> count{};
    int64_t sounding = 0;
    for (const uint8_t f : figures) {
        ++count[f];
        sounding += f > 0 ? 1 : 0;
    }
    int64_t below = 0;
    for (int g = 1; g < 256; ++g) {
        below += count[static_cast<size_t>(g)];
        if (below * 100 >= sounding * 95)
            return g;
    }
    return 0;
}

double Loudness::frameMs(int64_t frame) const
{
    return static_cast<double>((frame - firstAudio) * samplesPerFrame - skip) * 1000.0 / sampleRate;
}

Loudness loudnessOf(const SourceMap &map)
{
    Loudness loudness;
    loudness.perFrame = map.summary.loudness;
    loudness.firstAudio = map.summary.declaredFrames ? 1 : 0;
    if (!map.summary.stretches.empty()) {
        loudness.samplesPerFrame = map.summary.stretches.front().samplesPerFrame;
        loudness.sampleRate = map.summary.stretches.front().sampleRate;
    }
    loudness.skip = map.skip;
    loudness.reference = referenceOf(loudness.perFrame);
    return loudness;
}

std::vector<float> overview(const Loudness &loudness, const View &view)
{
    std::vector<float> levels(static_cast<size_t>(view.width), 0.0F);
    const auto frames = static_cast<int64_t>(loudness.perFrame.size());
    const auto frameOf = [&](double x) {
        return rawSampleAt(view, x, loudness.sampleRate, loudness.skip) / loudness.samplesPerFrame
            + loudness.firstAudio;
    };
    for (int x = 0; x < view.width; ++x) {
        const int64_t first = std::max<int64_t>(loudness.firstAudio, frameOf(x));
        const int64_t end = std::min(frames, std::max(first + 1, frameOf(x + 1)));
        uint8_t loudest = 0;
        for (int64_t f = first; f < end; ++f)
            loudest = std::max(loudest, loudness.perFrame[static_cast<size_t>(f)]);
        levels[static_cast<size_t>(x)] = levelOfLoudness(loudest, loudness.reference);
    }
    return levels;
}

std::optional<std::vector<float>> decodedPeaks(const QString &path, const SourceMap &map, const View &view,
                                               const std::atomic<bool> &cancel, QString *error, const Partial &partial)
{
    if (map.summary.stretches.size() != 1 || map.summary.layer == 0)
        return failed(error, QStringLiteral("Only a stream of one sample rate is drawn from its samples"));
    const audiomap::Summary::Stretch &stream = map.summary.stretches.front();
    const int spf = stream.samplesPerFrame;
    const int64_t firstAudio = map.summary.declaredFrames ? 1 : 0;
    const int64_t begin = std::max<int64_t>(0, rawSampleAt(view, 0, stream.sampleRate, map.skip));
    const int64_t end = rawSampleAt(view, view.width, stream.sampleRate, map.skip);
    // Two frames more before the first one in view: their bit reservoir and
    // the filter bank's overlap, decoded and left out.
    const int64_t firstFrame = std::max<int64_t>(0, begin / spf - 2);
    std::unique_ptr<FileReader> reader = FileReader::open(path, 64 << 10, error);
    const auto regions = reader ? regionsFrom(*reader, map, firstFrame + firstAudio, cancel) : std::nullopt;
    if (!regions)
        return failed(error, QStringLiteral("The frames in view cannot be found"));
    // A long view is drawn from the channels mixed: a third of the work.
    const bool mono = view.width * view.msPerPixel > kStereoMs;
    const size_t channels = mono ? 1 : 2;
    Decoder handle = rawDecoder(path, *regions, mono, error);
    if (!handle)
        return std::nullopt;

    std::vector<float> peaks(static_cast<size_t>(view.width), 0.0F);
    std::vector<float> block(8192);
    int64_t sample = firstFrame * spf; // of the first sample the decoder gives next, per channel
    int column = 0;
    int64_t columnEnd = rawSampleAt(view, 1, stream.sampleRate, map.skip);
    const auto told = std::chrono::steady_clock::now();
    auto lastTold = told;
    const auto tell = [&] {
        const auto now = std::chrono::steady_clock::now();
        if (!partial || column == 0 || now - lastTold < std::chrono::milliseconds(kPartialMs))
            return;
        lastTold = now;
        std::vector<float> levels(peaks.begin(), peaks.begin() + column);
        for (float &p : levels)
            p = levelOfPeak(p);
        partial(levels, column);
    };
    while (sample < end && !cancel.load(std::memory_order_relaxed)) {
        size_t done = 0;
        const int rc = mpg123_read(handle.get(), reinterpret_cast<unsigned char *>(block.data()),
                                   block.size() * sizeof(float), &done);
        const size_t pairs = done / (channels * sizeof(float));
        for (size_t i = 0; i < pairs; ++i, ++sample) {
            if (sample < begin)
                continue;
            while (sample >= columnEnd && column < view.width - 1)
                columnEnd = rawSampleAt(view, ++column + 1, stream.sampleRate, map.skip);
            const float peak = std::max(std::fabs(block[channels * i]), std::fabs(block[channels * i + channels - 1]));
            float &at = peaks[static_cast<size_t>(column)];
            at = std::max(at, peak);
        }
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)
            break; // the end of the stream, or a frame that does not decode
        tell();
    }
    if (cancel.load())
        return failed(error, QStringLiteral("Stopped"));
    for (float &p : peaks)
        p = levelOfPeak(p);
    return peaks;
}

} // namespace waveform
