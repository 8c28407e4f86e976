#include "listening/exactcut.h"

#include "core/errors.h"
#include "listening/audiomap.h"
#include "listening/filereader.h"
#include "listening/layer3.h"
#include "listening/mpgplayer.h"
#include "listening/piecetags.h"

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
using layer3::kLameTagBytes;
using layer3::kTocEntries;
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

const char *const kFreeFormat
    = "Cutting at the exact marks works with MPEG Layer III audio of a fixed or variable bit rate only, and this "
      "MP3 is free format: its frames give no bit rate. Nothing was written. Switch off \"Cut at the exact "
      "marks\" to cut it at whole percentages.";

const char *const kLayer12
    = "Cutting at the exact marks works with MPEG Layer III audio only, and this file is MPEG Layer I or II "
      "audio. Nothing was written. Switch off \"Cut at the exact marks\" to cut it at whole percentages.";

const char *const kNoAudio
    = "Cutting at the exact marks needs MPEG audio, and this file holds none that can be played: it may be "
      "damaged, or another kind of file. Nothing was written.";

const char *const kTooShort
    = "This MP3 is too short to cut at the exact marks: its audio gives no piece between these marks. Nothing "
      "was written. Switch off \"Cut at the exact marks\" to cut it at whole percentages.";

const char *const kRateChanges
    = "Cutting at the exact marks works with MP3 audio of one sample rate only, and this MP3 changes its rate "
      "(it may be files of other rates joined into one). Nothing was written. Switch off \"Cut at the exact "
      "marks\" to cut it at whole percentages.";

struct Frame {
    int64_t offset = 0;
    int32_t bytes = 0;
    int32_t mainAt = 0;      // where its main data begins in it
    int32_t mainBytes = 0;   // the main data it brings to the bit reservoir
    int32_t reservoir = 0;   // how far back its own main data begins
    layer3::Header header;   // what its header says
    unsigned char head[4]{}; // and the header itself
    bool whole = true;       // the main data it reaches back for is all in the file
};

void putBe32(unsigned char *p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

// A frame whose header asks for a checksum gets it: the CRC-16 of the
// header's last two bytes and the side information after the checksum
// (polynomial 0x8005, from 0xFFFF, highest bit first).
void putFrameCrc(unsigned char *frame)
{
    const auto header = layer3::parseHeader(frame);
    if (!header || !header->crc)
        return;
    uint16_t crc = 0xFFFF;
    const auto feed = [&crc](unsigned char byte) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool in = (byte >> bit) & 1;
            const bool top = crc & 0x8000;
            crc = static_cast<uint16_t>(crc << 1);
            if (in != top)
                crc ^= 0x8005;
        }
    };
    feed(frame[2]);
    feed(frame[3]);
    const int side = layer3::sideInfoBytes(*header);
    for (int i = 0; i < side; ++i)
        feed(frame[6 + i]);
    frame[4] = static_cast<unsigned char>(crc >> 8);
    frame[5] = static_cast<unsigned char>(crc & 255);
}

// What the source's first frame says of the stream, where it is a Xing or
// Info frame: it is then no audio, and its LAME tag may move the timeline.
std::optional<layer3::InfoTag> readSourceTag(FileReader &reader, const Frame &frame)
{
    std::vector<unsigned char> data(static_cast<size_t>(frame.bytes));
    if (reader.readAt(frame.offset, reinterpret_cast<char *>(data.data()), data.size())
        != static_cast<ssize_t>(data.size()))
        return std::nullopt;
    return layer3::readInfoTag(data.data(), static_cast<int64_t>(data.size()));
}

// The Layer III frame at offset, cut at limit; none where no frame of the stream begins there.
std::optional<Frame> layer3FrameAt(FileReader &reader, int64_t offset, int64_t limit)
{
    unsigned char b[layer3::kLongestHead]{};
    const ssize_t got = reader.readAt(offset, reinterpret_cast<char *>(b), sizeof b);
    if (got < 4)
        return std::nullopt;
    const auto h = layer3::parseHeader(b);
    if (!h || h->layer != 3)
        return std::nullopt;
    Frame f;
    f.offset = offset;
    f.bytes = static_cast<int32_t>(std::min<int64_t>(h->frameBytes, limit - offset));
    f.header = *h;
    std::copy_n(b, 4, f.head);
    f.mainAt = layer3::mainDataAt(*h);
    f.mainBytes = std::max(0, f.bytes - f.mainAt);
    if (const auto side = layer3::readSideInfo(b, got))
        f.reservoir = side->mainDataBegin;
    return f;
}

// A frame whose main data begins before the file does, made silent: no bits
// of main data and no gain in its side information, so that a decoder gives
// silence for it, as a decoder that knows the bytes are missing gives for the
// source. Its main data begins `begins` bytes back, and it stays, for the
// frames after it.
std::optional<QByteArray> silenced(FileReader &reader, const Frame &frame, int begins)
{
    QByteArray bytes(frame.bytes, '\0');
    if (reader.readAt(frame.offset, bytes.data(), static_cast<size_t>(frame.bytes)) != frame.bytes
        || frame.mainAt > frame.bytes)
        return std::nullopt;
    auto *d = reinterpret_cast<unsigned char *>(bytes.data());
    unsigned char *side = d + frame.mainAt - layer3::sideInfoBytes(frame.header);
    std::fill(side, d + frame.mainAt, 0);
    if (frame.header.version == 1) {
        side[0] = static_cast<unsigned char>(begins >> 1);
        side[1] = static_cast<unsigned char>((begins & 1) << 7);
    } else {
        side[0] = static_cast<unsigned char>(begins);
    }
    putFrameCrc(d);
    return bytes;
}

// A frame the cut adds (the Info frame, the lead-in frame): its header, the
// stream's own (its checksum too), with the smallest bit rate whose frame
// holds the bytes it needs; its size; and the frame.
struct Added {
    std::array<unsigned char, 4> head{};
    int bytes = 0;
    QByteArray frame;
};

std::optional<Added> addedHeader(const Frame &model, int minRateIndex, int needed)
{
    for (int index = std::max(1, minRateIndex); index <= 14; ++index) {
        Added added;
        added.head[0] = 0xFF;
        added.head[1] = model.head[1];
        added.head[2] = static_cast<unsigned char>((index << 4) | (model.head[2] & 0x0C));
        added.head[3] = static_cast<unsigned char>(model.head[3] & 0xCF); // no mode extension
        const auto parsed = layer3::parseHeader(added.head.data());
        if (parsed && parsed->frameBytes >= needed) {
            added.bytes = parsed->frameBytes;
            return added;
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

QByteArray infoFrame(const std::array<unsigned char, 4> &head, int frameBytes, const InfoFields &f)
{
    QByteArray frame(frameBytes, '\0');
    auto *d = reinterpret_cast<unsigned char *>(frame.data());
    std::copy(head.begin(), head.end(), d);
    unsigned char *p = d + layer3::infoTagAt(*layer3::parseHeader(d));
    const std::string_view name = f.cbr ? "Info" : "Xing";
    std::copy(name.begin(), name.end(), p);
    putBe32(p + 4, layer3::kInfoFrames | layer3::kInfoBytes | layer3::kInfoToc | layer3::kInfoQuality);
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
    // The frame's checksum covers the start of the tag, and the tag's own
    // checksum covers the frame's.
    putFrameCrc(d);
    const uint16_t crc = tagCrc(d, static_cast<size_t>(lame + 34 - d));
    lame[34] = static_cast<unsigned char>(crc >> 8);
    lame[35] = static_cast<unsigned char>(crc & 255);
    return frame;
}

int64_t ceilDiv(int64_t a, int64_t b)
{
    return (a + b - 1) / b;
}

// Why a file whose audio the cut cannot take is refused: what the walk found in it.
QString refusalFor(const audiomap::Summary &found, bool decodes)
{
    if (found.freeFormat)
        return QString::fromLatin1(kFreeFormat);
    if (found.layer == 1 || found.layer == 2)
        return QString::fromLatin1(kLayer12);
    return QString::fromLatin1(found.layer == 3 && decodes ? kTooShort : kNoAudio);
}

// The source's ID3v2 tags, as chunks of the piece: each kept as it is, or
// where it measures the whole source (its length, its loudness), without those frames.
std::vector<segment::Chunk> tagChunks(FileReader &reader, int64_t tags)
{
    constexpr int64_t kLargestRewritten = 64 << 20;
    std::vector<segment::Chunk> chunks;
    for (int64_t at = 0; at < tags;) {
        unsigned char head[10]{};
        const int64_t size = reader.readAt(at, reinterpret_cast<char *>(head), sizeof head) == sizeof head
            ? std::min(piecetags::tagSize(head, sizeof head), tags - at)
            : 0;
        if (size <= 0) {
            chunks.push_back({at, tags - at, {}});
            break;
        }
        std::optional<QByteArray> rewritten;
        if (size <= kLargestRewritten) {
            QByteArray tag(static_cast<qsizetype>(size), '\0');
            if (reader.readAt(at, tag.data(), static_cast<size_t>(size)) == size)
                rewritten = piecetags::withoutSourceMeasures(tag);
        }
        if (rewritten)
            chunks.push_back({at, size, *rewritten});
        else if (!chunks.empty() && chunks.back().bytes.isEmpty())
            chunks.back().length += size;
        else
            chunks.push_back({at, size, {}});
        at += size;
    }
    return chunks;
}

// The frames of the stream around the piece, walked once: the few before the
// first kept (for their main data), and the kept ones, each told whether the
// main data it reaches back for is in the file.
struct Walked {
    std::vector<Frame> before;
    std::vector<Frame> kept;
};

Walked walkFrames(FileReader &raw, const SourceMap &map, int64_t tagFrames, int64_t first, int64_t last)
{
    Walked walked;
    const std::vector<audiomap::Region> &regions = map.regions;
    const std::vector<int64_t> &index = map.summary.index;
    const int64_t wanted = std::max<int64_t>(0, first + tagFrames - static_cast<int64_t>(kRememberedFrames));
    const size_t mark
        = index.empty() ? 0 : std::min(static_cast<size_t>(wanted / audiomap::kIndexStep), index.size() - 1);
    int64_t number = index.empty() ? 0 : static_cast<int64_t>(mark) * audiomap::kIndexStep; // of the stream's frames
    int64_t offset = index.empty() ? -1 : index[mark];
    // The main data before the frame at hand: none at the stream's start;
    // from a later frame on, the frames remembered before the first kept hold
    // as much as any frame reaches back for.
    int64_t available = number == 0 ? 0 : kMaxReservoir;
    for (const audiomap::Region &region : regions) {
        const int64_t end = region.offset + region.length;
        if (region.offset < 0 || end <= offset)
            continue;
        for (offset = std::max(offset, region.offset); offset < end;) {
            auto frame = layer3FrameAt(raw, offset, end);
            if (!frame || frame->bytes <= 0)
                break;
            offset += frame->bytes;
            const int64_t audio = number++ - tagFrames;
            if (audio < 0)
                continue;
            frame->whole = frame->reservoir <= available;
            available = std::min<int64_t>(available + frame->mainBytes, kMaxReservoir);
            if (audio < first) {
                walked.before.push_back(*frame);
                if (walked.before.size() > kRememberedFrames)
                    walked.before.erase(walked.before.begin());
                continue;
            }
            walked.kept.push_back(*frame);
            if (audio >= last)
                return walked;
        }
    }
    return walked;
}

// What a walk of a file the player found no audio in finds in it: the reason to tell.
audiomap::Summary walkFor(FileReader &raw, int64_t size)
{
    audiomap::Summary found;
    [[maybe_unused]] const auto regions = audiomap::scan(raw.readsAt(), size, &found);
    return found;
}

// The stream's first frame: the first of the map's first region.
std::optional<Frame> firstFrameOf(FileReader &raw, const SourceMap &map)
{
    const auto region
        = std::find_if(map.regions.begin(), map.regions.end(), [](const audiomap::Region &r) { return r.offset >= 0; });
    if (region == map.regions.end())
        return std::nullopt;
    return layer3FrameAt(raw, region->offset, region->offset + region->length);
}

// Where the piece lies: its first and end samples on the decoder's timeline
// (the player's, with the samples it drops at the start), and its first and
// last frames, a few kept before the one heard first.
struct Span {
    int64_t spf = 0;
    int64_t rawStart = 0;
    int64_t rawEnd = 0;
    int64_t first = 0;
    int64_t last = 0;
};

Span spanOf(const layer3::Header &stream, int64_t skip, int32_t startMs, int32_t endMs)
{
    Span span;
    span.spf = layer3::samplesPerFrame(stream);
    span.rawStart = ceilDiv(int64_t{startMs} * stream.sampleRate, 1000) + skip;
    span.rawEnd = ceilDiv(int64_t{endMs} * stream.sampleRate, 1000) + skip;
    const int64_t heard = span.rawStart / span.spf;
    span.first = std::max<int64_t>(0, heard - kMarginFrames[stream.version == 1 ? 0 : 1]);
    span.last = (span.rawEnd - 1) / span.spf;
    return span;
}

// What the kept frames need of the frames the cut adds: their sizes, whether
// they are of one bit rate, and how much of the bit reservoir they reach back
// before the first.
struct Needs {
    std::vector<uint16_t> sizes;
    bool oneRate = true;
    int64_t reach = 0;
};

Needs needsOf(const std::vector<Frame> &kept)
{
    Needs needs;
    int64_t keptMain = 0;
    for (const Frame &f : kept) {
        needs.oneRate = needs.oneRate && f.header.bitRateIndex == kept.front().header.bitRateIndex;
        needs.sizes.push_back(static_cast<uint16_t>(f.bytes));
        if (keptMain < kMaxReservoir) {
            if (f.whole)
                needs.reach = std::max<int64_t>(needs.reach, f.reservoir - keptMain);
            keptMain += f.mainBytes;
        }
    }
    return needs;
}

// The last reach bytes of main data of the frames before the piece; whole is
// false where they hold fewer (the rest stays zero). None where a read fails.
std::optional<QByteArray> reservoirBefore(FileReader &raw, const std::vector<Frame> &before, int64_t reach, bool *whole)
{
    QByteArray reservoir(static_cast<int>(reach), '\0');
    int64_t filled = 0;
    for (auto f = before.rbegin(); f != before.rend() && filled < reach; ++f) {
        const int64_t n = std::min<int64_t>(f->mainBytes, reach - filled);
        if (raw.readAt(f->offset + f->bytes - n, reservoir.data() + (reach - filled - n), static_cast<size_t>(n)) != n)
            return std::nullopt;
        filled += n;
    }
    *whole = filled == reach;
    return reservoir;
}

// The lead-in frame: silent, and its main data ends with the bytes of the
// bit reservoir that the kept frames reach back for.
std::optional<Added> leadInFrame(const Frame &model, const QByteArray &reservoir)
{
    std::optional<Added> lead = addedHeader(model, 1, layer3::mainDataAt(model.header) + reservoir.size());
    if (!lead)
        return std::nullopt;
    lead->frame = QByteArray(lead->bytes, '\0');
    std::copy(lead->head.begin(), lead->head.end(), lead->frame.begin());
    std::copy(reservoir.begin(), reservoir.end(), lead->frame.end() - reservoir.size());
    putFrameCrc(reinterpret_cast<unsigned char *>(lead->frame.data()));
    return lead;
}

// The kept frames after the chunks of the tags: runs of whole frames as
// stretches of the source, never joined to the tags' chunks, and the frames
// whose main data begins before the file made silent. These keep what the
// decoder holds of the bit reservoir (held, from the lead-in frame on): their
// main data begins where all of it does, and they read none, so that the
// frames after them find theirs. False where a read fails.
bool appendFrames(FileReader &raw, const std::vector<Frame> &kept, int64_t held, std::vector<segment::Chunk> &chunks,
                  size_t tagChunks)
{
    for (const Frame &f : kept) {
        if (!f.whole) {
            const int64_t begins = std::min<int64_t>({f.reservoir, held, f.header.version == 1 ? 511 : 255});
            const std::optional<QByteArray> silent = silenced(raw, f, static_cast<int>(begins));
            if (!silent)
                return false;
            chunks.push_back({f.offset, f.bytes, *silent});
            held = begins + f.mainBytes;
            continue;
        }
        held = kMaxReservoir;
        if (chunks.size() > tagChunks && chunks.back().bytes.isEmpty()
            && chunks.back().offset + chunks.back().length == f.offset)
            chunks.back().length += f.bytes;
        else
            chunks.push_back({f.offset, f.bytes, {}});
    }
    return true;
}

// What the Info frame says of the piece: its frames (sizes, the lead-in's
// first) and bytes, where each hundredth of its playing time begins, and the
// encoder delay and padding that leave exactly the samples between the marks.
InfoFields infoFieldsOf(const std::vector<uint16_t> &sizes, bool oneRate, int infoBytes, const Span &span,
                        int64_t rawEnd, const Frame &model, const std::optional<layer3::InfoTag> &tag)
{
    InfoFields fields;
    fields.cbr = oneRate;
    const int64_t leadSamples = span.spf + span.rawStart - span.first * span.spf;
    fields.delay = leadSamples - kDecoderDelay;
    fields.padding
        = static_cast<int64_t>(sizes.size()) * span.spf - (leadSamples + rawEnd - span.rawStart) + kDecoderDelay;
    int64_t audioBytes = 0;
    for (uint16_t s : sizes)
        audioBytes += s;
    fields.frames = static_cast<uint32_t>(sizes.size());
    fields.bytes = static_cast<uint32_t>(infoBytes + audioBytes);
    // The table of contents, in 256ths of the stream.
    int64_t at = infoBytes;
    size_t counted = 0;
    for (int i = 0; i < kTocEntries; ++i) {
        const size_t frameIndex = sizes.size() * static_cast<size_t>(i) / kTocEntries;
        for (; counted < frameIndex; ++counted)
            at += sizes[counted];
        fields.toc[static_cast<size_t>(i)]
            = static_cast<unsigned char>(std::min<int64_t>(255, at * 256 / fields.bytes));
    }
    fields.quality = tag ? tag->quality.value_or(0) : 0;
    if (tag)
        fields.lame = tag->lame;
    fields.kbps = static_cast<int>(int64_t{model.header.frameBytes} * model.header.sampleRate / (span.spf * 125));
    return fields;
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

namespace {

// The source as the plan reads it: the file, its map, and its stream's first
// frame with the Xing or Info header it may carry.
struct Source {
    FileReader &raw;
    int64_t size;
    const SourceMap &map;
    Frame firstFrame;
    std::optional<layer3::InfoTag> tag;
};

// The piece of source between the marks (in samples of the decoder's timeline).
std::optional<Plan> cut(const Source &source, const Span &span, QString *error)
{
    FileReader &raw = source.raw;
    const Walked walked = walkFrames(raw, source.map, source.tag ? 1 : 0, span.first, span.last);
    if (walked.kept.empty())
        return failed(error, QStringLiteral("The start mark lies past the end of the audio."));
    Plan plan;
    plan.rate = source.firstFrame.header.sampleRate;
    const int64_t rawEnd = std::min(span.rawEnd, (span.first + static_cast<int64_t>(walked.kept.size())) * span.spf);
    plan.samples = rawEnd - span.rawStart;
    if (plan.samples <= 0)
        return failed(error, QString::fromLatin1(kTooShort));

    // The frames the cut adds before them: the lead-in, with the bit
    // reservoir they reach back for, and the Info frame.
    const Needs needs = needsOf(walked.kept);
    std::optional<QByteArray> reservoir = reservoirBefore(raw, walked.before, needs.reach, &plan.wholeLeadIn);
    const Frame &model = walked.kept.front();
    const std::optional<Added> lead = reservoir ? leadInFrame(model, *reservoir) : std::nullopt;
    const std::optional<Added> info = addedHeader(model, needs.oneRate ? model.header.bitRateIndex : 1,
                                                  layer3::infoTagAt(model.header) + kInfoBodyBytes);
    if (!reservoir)
        return failed(error, QString::fromLatin1(segment::kSourceUnreadableText));
    if (!lead || !info)
        return failed(error, QString::fromLatin1(kLayer12));

    // The ID3v2 tags, then the Info and lead-in frames, then the kept frames.
    const int64_t tags = audiomap::leadingTags(raw.readsAt(), source.size);
    plan.chunks = tagChunks(raw, tags);
    const size_t tagChunkCount = plan.chunks.size();
    if (!appendFrames(raw, walked.kept, lead->bytes - layer3::mainDataAt(model.header), plan.chunks, tagChunkCount))
        return failed(error, QString::fromLatin1(segment::kSourceUnreadableText));
    std::vector<uint16_t> sizes = needs.sizes;
    sizes.insert(sizes.begin(), static_cast<uint16_t>(lead->bytes));
    const InfoFields fields = infoFieldsOf(sizes, needs.oneRate, info->bytes, span, rawEnd, model, source.tag);
    const std::vector<segment::Chunk> added{{0, info->bytes, infoFrame(info->head, info->bytes, fields)},
                                            {0, lead->bytes, lead->frame}};
    plan.chunks.insert(plan.chunks.begin() + static_cast<std::ptrdiff_t>(tagChunkCount), added.begin(), added.end());
    plan.firstOffset = model.offset;
    plan.sourceSpan = walked.kept.back().offset + walked.kept.back().bytes - model.offset;
    plan.bytes = tags + fields.bytes;
    return plan;
}

} // namespace

std::optional<Plan> plan(const QString &source, const SourceMap *map, int32_t startMs, int32_t endMs, QString *error)
{
    if (startMs < 0 || endMs <= startMs)
        return failed(error, QStringLiteral("The end mark must lie after the start mark."));
    std::unique_ptr<FileReader> reader = FileReader::open(source, FileReader::kDefaultBuffer);
    if (!reader)
        return failed(error, QString::fromLatin1(segment::kSourceUnreadableText));
    FileReader &raw = *reader;
    const int64_t size = std::max<off_t>(0, raw.seek(0, SEEK_END));
    if (!map)
        return failed(error, refusalFor(walkFor(raw, size), false));
    if (!map->stretches.empty())
        return failed(error, QString::fromLatin1(kRateChanges));
    const std::optional<Frame> firstFrame = map->summary.layer == 3 ? firstFrameOf(raw, *map) : std::nullopt;
    if (!firstFrame)
        return failed(error, refusalFor(map->summary, true));
    const Source from{raw, size, *map, *firstFrame, readSourceTag(raw, *firstFrame)};
    std::optional<Plan> planned = cut(from, spanOf(firstFrame->header, map->skip, startMs, endMs), error);
    if (planned && !planned->wholeLeadIn)
        diagnose(QStringLiteral("%1: the bit reservoir before the start mark is not all in the file, so the piece's "
                                "first frame may not decode whole")
                     .arg(source));
    return planned;
}

} // namespace exactcut
