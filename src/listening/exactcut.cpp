#include "listening/exactcut.h"

#include "core/errors.h"
#include "listening/audiomap.h"
#include "listening/filereader.h"
#include "listening/mpgplayer.h"

#include <mpg123.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace exactcut {

namespace {

// The decoder's own delay: what every Layer III decoder gives before the
// first sample the encoder was handed, on top of the encoder delay.
constexpr int64_t kDecoderDelay = 529;
constexpr int kLameTagBytes = 36;
constexpr int kTocEntries = 100;
// From the tag's name to the end of the LAME tag: name, flags, frames, bytes,
// table of contents, quality, then the LAME tag.
constexpr int kInfoBodyBytes = 4 + 4 + 4 + 4 + kTocEntries + 4 + kLameTagBytes;
// Layer III frames kept before the one heard: the frame before it carries the
// filter bank's overlap and state (two for the one-granule frames of MPEG-2
// and 2.5). Their bit reservoir comes with a silent lead-in frame before them,
// however far back it reaches, so that the delay field (4095 samples at most)
// holds them all.
constexpr int64_t kMarginFrames[2] = {1, 2};
constexpr int64_t kMaxReservoir = 511;   // bytes a frame's main data may begin before it
constexpr size_t kRememberedFrames = 64; // enough for that much at the lowest bit rate

const char *const kNotLayer3
    = "Cutting at the exact marks works with MPEG Layer III audio of a fixed or variable bit rate only, and this "
      "MP3 is not such audio (it may be free format, or MPEG Layer I or II). Nothing was written. Switch off "
      "\"Cut at the exact marks\" to cut it at whole percentages.";

const char *const kRateChanges
    = "Cutting at the exact marks works with MP3 audio of one sample rate only, and this MP3 changes its rate "
      "(it may be files of other rates joined into one). Nothing was written. Switch off \"Cut at the exact "
      "marks\" to cut it at whole percentages.";

std::optional<Plan> failed(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return std::nullopt;
}

struct Frame {
    int64_t offset = 0;
    int32_t bytes = 0;
    int32_t mainAt = 0;      // where its main data begins in it
    int32_t mainBytes = 0;   // the main data it brings to the bit reservoir
    int32_t reservoir = 0;   // how far back its own main data begins
    int rateIndex = 0;       // its bit rate index
    unsigned char head[4]{}; // its header
};

int sideInfoBytes(int version, bool mono)
{
    return version == 1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
}

uint32_t be32(const unsigned char *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

void putBe32(unsigned char *p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

// What the source's first frame says of the stream, where it is a Xing or
// Info frame: it is then no audio, and its LAME tag may move the timeline.
struct SourceTag {
    bool present = false;
    std::optional<uint32_t> quality;
    std::optional<std::array<unsigned char, kLameTagBytes>> lame;
};

SourceTag readSourceTag(FileReader &reader, const Frame &frame, int version)
{
    SourceTag tag;
    std::vector<unsigned char> data(static_cast<size_t>(frame.bytes));
    if (reader.readAt(frame.offset, reinterpret_cast<char *>(data.data()), data.size())
        != static_cast<ssize_t>(data.size()))
        return tag;
    const bool mono = (data[3] >> 6) == 3;
    const size_t at = 4 + static_cast<size_t>(sideInfoBytes(version, mono));
    if (data.size() < at + 8 || (std::memcmp(&data[at], "Xing", 4) != 0 && std::memcmp(&data[at], "Info", 4) != 0))
        return tag;
    tag.present = true;
    const uint32_t flags = be32(&data[at + 4]);
    size_t p = at + 8;
    if (flags & 1)
        p += 4;
    if (flags & 2)
        p += 4;
    if (flags & 4)
        p += kTocEntries;
    if (flags & 8) {
        if (data.size() >= p + 4)
            tag.quality = be32(&data[p]);
        p += 4;
    }
    // As libmpg123 reads it: a LAME tag is there where the byte after the
    // fields is not zero.
    if (data.size() < p + kLameTagBytes || data[p] == 0)
        return tag;
    std::array<unsigned char, kLameTagBytes> lame{};
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(p), kLameTagBytes, lame.begin());
    tag.lame = lame;
    return tag;
}

// The frame at offset, cut at limit; none where no frame of the stream begins there.
std::optional<Frame> frameAt(FileReader &reader, int64_t offset, int64_t limit)
{
    unsigned char b[8]{};
    const ssize_t got = reader.readAt(offset, reinterpret_cast<char *>(b), sizeof b);
    if (got < 4)
        return std::nullopt;
    const auto h = audiomap::parseHeader(b);
    if (!h || h->layer != 3)
        return std::nullopt;
    Frame f;
    f.offset = offset;
    f.bytes = static_cast<int32_t>(std::min<int64_t>(h->frameBytes, limit - offset));
    std::copy_n(b, 4, f.head);
    f.rateIndex = (b[2] >> 4) & 15;
    const int crc = (b[1] & 1) ? 0 : 2;
    const bool mono = (b[3] >> 6) == 3;
    f.mainAt = 4 + crc + sideInfoBytes(h->version, mono);
    f.mainBytes = std::max(0, f.bytes - f.mainAt);
    if (got >= 6 + crc) {
        const unsigned char *side = b + 4 + crc;
        f.reservoir = h->version == 1 ? (side[0] << 1 | side[1] >> 7) : side[0];
    }
    return f;
}

// A header for a frame the cut adds (the Info frame, the lead-in frame): the
// stream's own, with the smallest bit rate that holds mainBytes after the side
// information.
std::optional<std::array<unsigned char, 4>> addedHeader(const Frame &model, int version, int minRateIndex,
                                                        int mainBytes, int *bytes)
{
    const bool mono = (model.head[3] >> 6) == 3;
    const int needed = 4 + sideInfoBytes(version, mono) + mainBytes;
    for (int index = std::max(1, minRateIndex); index <= 14; ++index) {
        std::array<unsigned char, 4> h{};
        h[0] = 0xFF;
        h[1] = static_cast<unsigned char>((model.head[1] & 0xFE) | 1); // no checksum
        h[2] = static_cast<unsigned char>((index << 4) | (model.head[2] & 0x0C));
        h[3] = static_cast<unsigned char>(model.head[3] & 0xCF); // no mode extension
        const auto parsed = audiomap::parseHeader(h.data());
        if (parsed && parsed->frameBytes >= needed) {
            *bytes = parsed->frameBytes;
            return h;
        }
    }
    return std::nullopt;
}

struct InfoFields {
    bool cbr = false;
    uint32_t frames = 0; // the frames after the Info frame
    uint32_t bytes = 0;  // the stream, the Info frame included
    std::array<unsigned char, kTocEntries> toc{};
    uint32_t quality = 0;
    std::optional<std::array<unsigned char, kLameTagBytes>> lame;
    int kbps = 0;
    int64_t delay = 0;
    int64_t padding = 0;
};

QByteArray infoFrame(const std::array<unsigned char, 4> &head, int frameBytes, int version, const InfoFields &f)
{
    QByteArray frame(frameBytes, '\0');
    auto *d = reinterpret_cast<unsigned char *>(frame.data());
    std::copy(head.begin(), head.end(), d);
    const bool mono = (head[3] >> 6) == 3;
    unsigned char *p = d + 4 + sideInfoBytes(version, mono);
    const std::string_view name = f.cbr ? "Info" : "Xing";
    std::copy(name.begin(), name.end(), p);
    putBe32(p + 4, 0x0F); // frames, bytes, table of contents, quality
    putBe32(p + 8, f.frames);
    putBe32(p + 12, f.bytes);
    std::copy(f.toc.begin(), f.toc.end(), p + 16);
    putBe32(p + 16 + kTocEntries, f.quality);
    unsigned char *lame = p + 20 + kTocEntries;
    if (f.lame) {
        std::copy(f.lame->begin(), f.lame->end(), lame);
        // The loudness measured over the whole source says nothing of the piece.
        std::fill(lame + 11, lame + 19, 0);
    } else {
        // The encoder's name is unknown: decoders apply the delay and padding
        // only behind a name they know, and this is the format's own.
        const std::string_view encoder = "LAME3.100";
        std::copy(encoder.begin(), encoder.end(), lame);
        lame[9] = f.cbr ? 1 : 0;
        lame[20] = static_cast<unsigned char>(std::min(f.kbps, 255));
    }
    lame[21] = static_cast<unsigned char>(f.delay >> 4);
    lame[22] = static_cast<unsigned char>(((f.delay & 15) << 4) | (f.padding >> 8));
    lame[23] = static_cast<unsigned char>(f.padding & 255);
    putBe32(lame + 28, f.bytes);
    lame[32] = lame[33] = 0; // the music's checksum is not kept
    const uint16_t crc = tagCrc(d, static_cast<size_t>(lame + 34 - d));
    lame[34] = static_cast<unsigned char>(crc >> 8);
    lame[35] = static_cast<unsigned char>(crc & 255);
    return frame;
}

int64_t ceilDiv(int64_t a, int64_t b)
{
    return (a + b - 1) / b;
}

} // namespace

uint16_t tagCrc(const unsigned char *data, size_t n)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

std::optional<Plan> plan(const QString &source, int32_t startMs, int32_t endMs, QString *error)
{
    if (startMs < 0 || endMs <= startMs)
        return failed(error, QStringLiteral("The end mark must lie after the start mark."));
    QString reason;
    std::unique_ptr<FileReader> reader = FileReader::open(source, FileReader::kDefaultBuffer, &reason);
    if (!reader)
        return failed(error, QString::fromLatin1(segment::kSourceUnreadableText));
    const off_t size = reader->seek(0, SEEK_END);
    FileReader &raw = *reader;
    const audiomap::ReadAt read = [&raw](int64_t offset, unsigned char *out, int64_t n) {
        return static_cast<int64_t>(
            raw.readAt(static_cast<off_t>(offset), reinterpret_cast<char *>(out), static_cast<size_t>(n)));
    };
    // Where the audio lies and the timeline the player gives it, as the
    // player's own opening of the file learned them.
    const std::shared_ptr<const SourceMap> map = sourceMap(source, &reason);
    if (!map)
        return failed(error, QString::fromLatin1(kNotLayer3));
    if (!map->stretches.empty())
        return failed(error, QString::fromLatin1(kRateChanges));
    const std::vector<audiomap::Region> &regions = map->regions;
    const auto firstRegion
        = std::find_if(regions.begin(), regions.end(), [](const audiomap::Region &r) { return r.offset >= 0; });
    if (firstRegion == regions.end())
        return failed(error, QString::fromLatin1(kNotLayer3));
    const auto firstFrame = frameAt(raw, firstRegion->offset, firstRegion->offset + firstRegion->length);
    const auto stream = firstFrame ? audiomap::parseHeader(firstFrame->head) : std::nullopt;
    if (!stream)
        return failed(error, QString::fromLatin1(kNotLayer3));
    const SourceTag tag = readSourceTag(raw, *firstFrame, stream->version);
    const int64_t tagFrames = tag.present ? 1 : 0; // the walk counts the Info frame, the decoder does not

    Plan plan;
    plan.rate = stream->sampleRate;
    const int64_t spf = samplesPerFrame(stream->version);
    const int64_t rawStart = ceilDiv(int64_t{startMs} * plan.rate, 1000) + map->skip;
    int64_t rawEnd = ceilDiv(int64_t{endMs} * plan.rate, 1000) + map->skip;
    const int64_t heard = rawStart / spf;
    const int64_t first = std::max<int64_t>(0, heard - kMarginFrames[stream->version == 1 ? 0 : 1]);
    const int64_t last = (rawEnd - 1) / spf;

    // The frames are walked once, from the indexed frame before the few
    // remembered for their main data; from the first kept on, the piece's.
    std::vector<Frame> before;
    std::vector<uint16_t> sizes;
    std::optional<Frame> model;
    bool oneRate = true;
    // How much of the bit reservoir the kept frames reach back before the first.
    int64_t reach = 0, keptMain = 0;
    const auto keep = [&](const Frame &f) {
        if (!model)
            model = f;
        oneRate = oneRate && f.rateIndex == model->rateIndex;
        sizes.push_back(static_cast<uint16_t>(f.bytes));
        if (!plan.chunks.empty() && plan.chunks.back().bytes.isEmpty()
            && plan.chunks.back().offset + plan.chunks.back().length == f.offset)
            plan.chunks.back().length += f.bytes;
        else
            plan.chunks.push_back({f.offset, f.bytes, {}});
        if (keptMain < kMaxReservoir) {
            reach = std::max<int64_t>(reach, f.reservoir - keptMain);
            keptMain += f.mainBytes;
        }
    };
    const int64_t tags = audiomap::leadingTags(read, size < 0 ? 0 : size);
    if (tags > 0)
        plan.chunks.push_back({0, tags, {}});
    const size_t tagChunks = plan.chunks.size();

    const std::vector<int64_t> &index = map->summary.index;
    const int64_t wanted = std::max<int64_t>(0, first + tagFrames - static_cast<int64_t>(kRememberedFrames));
    const size_t mark
        = index.empty() ? 0 : std::min(static_cast<size_t>(wanted / audiomap::kIndexStep), index.size() - 1);
    int64_t number = index.empty() ? 0 : static_cast<int64_t>(mark) * audiomap::kIndexStep; // of the stream's frames
    int64_t offset = index.empty() ? firstRegion->offset : index[mark];
    bool done = false;
    for (const audiomap::Region &region : regions) {
        const int64_t end = region.offset + region.length;
        if (region.offset < 0 || end <= offset)
            continue;
        for (offset = std::max(offset, region.offset); offset < end && !done;) {
            const auto frame = frameAt(raw, offset, end);
            if (!frame || frame->bytes <= 0)
                break;
            offset += frame->bytes;
            const int64_t audio = number++ - tagFrames;
            if (audio < 0)
                continue;
            if (audio < first) {
                before.push_back(*frame);
                if (before.size() > kRememberedFrames)
                    before.erase(before.begin());
            } else {
                keep(*frame);
                done = audio >= last;
            }
        }
        if (done)
            break;
    }
    if (!model)
        return failed(error, QStringLiteral("The start mark lies past the end of the audio."));
    rawEnd = std::min(rawEnd, (first + static_cast<int64_t>(sizes.size())) * spf);

    // The lead-in frame: silent, and its main data ends with the bytes of the
    // bit reservoir that the kept frames reach back for.
    QByteArray reservoir(static_cast<int>(reach), '\0');
    int64_t filled = 0;
    for (auto f = before.rbegin(); f != before.rend() && filled < reach; ++f) {
        const int64_t n = std::min<int64_t>(f->mainBytes, reach - filled);
        if (raw.readAt(f->offset + f->bytes - n, reservoir.data() + (reach - filled - n), static_cast<size_t>(n)) != n)
            return failed(error, QString::fromLatin1(segment::kSourceUnreadableText));
        filled += n;
    }
    plan.wholeLeadIn = filled == reach;
    int leadBytes = 0, infoBytes = 0;
    const auto leadHead = addedHeader(*model, stream->version, 1, static_cast<int>(reach), &leadBytes);
    const auto infoHead
        = addedHeader(*model, stream->version, oneRate ? model->rateIndex : 1, kInfoBodyBytes, &infoBytes);
    if (!leadHead || !infoHead)
        return failed(error, QString::fromLatin1(kNotLayer3));
    QByteArray lead(leadBytes, '\0');
    std::copy(leadHead->begin(), leadHead->end(), lead.begin());
    std::copy(reservoir.begin(), reservoir.end(), lead.end() - reach);
    sizes.insert(sizes.begin(), static_cast<uint16_t>(leadBytes));

    InfoFields fields;
    fields.cbr = oneRate;
    const int64_t leadSamples = spf + rawStart - first * spf;
    fields.delay = leadSamples - kDecoderDelay;
    fields.padding = static_cast<int64_t>(sizes.size()) * spf - (leadSamples + rawEnd - rawStart) + kDecoderDelay;
    plan.samples = rawEnd - rawStart;
    int64_t audioBytes = 0;
    for (uint16_t s : sizes)
        audioBytes += s;
    fields.frames = static_cast<uint32_t>(sizes.size());
    fields.bytes = static_cast<uint32_t>(infoBytes + audioBytes);
    // The table of contents: where each hundredth of the playing time begins,
    // in 256ths of the stream.
    int64_t at = infoBytes;
    size_t counted = 0;
    for (int i = 0; i < kTocEntries; ++i) {
        const size_t frameIndex = sizes.size() * static_cast<size_t>(i) / kTocEntries;
        for (; counted < frameIndex; ++counted)
            at += sizes[counted];
        fields.toc[static_cast<size_t>(i)]
            = static_cast<unsigned char>(std::min<int64_t>(255, at * 256 / fields.bytes));
    }
    fields.quality = tag.quality.value_or(0);
    fields.lame = tag.lame;
    const auto parsed = audiomap::parseHeader(model->head);
    fields.kbps = parsed ? static_cast<int>(int64_t{parsed->frameBytes} * plan.rate / (spf * 125)) : 0;

    const std::vector<segment::Chunk> added{{0, infoBytes, infoFrame(*infoHead, infoBytes, stream->version, fields)},
                                            {0, leadBytes, lead}};
    plan.chunks.insert(plan.chunks.begin() + static_cast<std::ptrdiff_t>(tagChunks), added.begin(), added.end());
    plan.firstOffset = model->offset;
    plan.sourceSpan = plan.chunks.back().offset + plan.chunks.back().length - model->offset;
    plan.bytes = tags + fields.bytes;
    if (!plan.wholeLeadIn)
        diagnose(QStringLiteral("%1: the bit reservoir before the start mark is not all in the file, so the piece's "
                                "first frame may not decode whole")
                     .arg(source));
    return plan;
}

} // namespace exactcut
