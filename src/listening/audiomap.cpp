#include "listening/audiomap.h"

#include "listening/layer3.h"
#include "listening/piecetags.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace audiomap {

using layer3::parseHeader;

namespace {

bool sameStream(const Header &a, const Header &b)
{
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

// A file read through one window of memory: the walk reads a few bytes a
// frame, the search for the next frame reads every byte.
class Window {
public:
    Window(const ReadAt &read, int64_t size, int64_t span = kWindowBytes)
        : m_read(read), m_size(size), m_span(span), m_data(static_cast<size_t>(span))
    {
    }
    [[nodiscard]] int64_t size() const { return m_size; }

    // The n (at most span()) bytes at offset, or nullptr when they pass the end.
    const unsigned char *at(int64_t offset, int64_t n)
    {
        if (offset < 0 || offset + n > m_size)
            return nullptr;
        if (offset < m_start || offset + n > m_start + m_length) {
            m_start = offset;
            m_length = std::max<int64_t>(0, m_read(offset, m_data.data(), m_span));
            if (offset + n > m_start + m_length)
                return nullptr;
        }
        return m_data.data() + (offset - m_start);
    }

    // The bytes from offset on that the window holds (*available of them,
    // at least 4 unless the file ends sooner), read afresh only where it does
    // not hold 4 of them; nullptr past the end.
    const unsigned char *from(int64_t offset, int64_t *available)
    {
        const int64_t need = std::min<int64_t>(4, m_size - offset);
        if (need <= 0 || !at(offset, need))
            return nullptr;
        *available = m_start + m_length - offset;
        return m_data.data() + (offset - m_start);
    }
    [[nodiscard]] const ReadAt &reader() const { return m_read; }

    [[nodiscard]] int64_t span() const { return m_span; }

private:
    const ReadAt &m_read;
    int64_t m_size;
    // As large as the reader's own buffer (by default), so that the file's
    // bytes are read straight into this window, copied once.
    int64_t m_span;
    std::vector<unsigned char> m_data;
    int64_t m_start = 0;
    int64_t m_length = 0;
};

bool tagAt(Window &file, int64_t offset)
{
    const unsigned char *p = file.at(offset, 3);
    if (!p)
        return false;
    if (std::memcmp(p, "ID3", 3) == 0)
        return true;
    if (std::memcmp(p, "TAG", 3) == 0 && offset + 128 == file.size())
        return true;
    const unsigned char *ape = file.at(offset, 8);
    return ape && std::memcmp(ape, "APETAGEX", 8) == 0;
}

bool chainAt(Window &file, int64_t offset, const Header &stream, int frames, bool beginsStream);

// A frame of the stream at offset, followed by the next frame of the stream,
// by the end of the file or by a tag: its size, else 0. The walk passes what
// it knows of the headers along, so that each is read once: *known is the
// header at offset where already read, and becomes the one at the next frame.
// The walk (which passes known) also takes a frame followed by another stream
// of the same layer that begins there: files joined with cat may change
// their sample rate between frames.
int64_t frameLengthAt(Window &file, int64_t offset, const Header &stream, std::optional<Header> *known = nullptr,
                      bool *whole = nullptr)
{
    std::optional<Header> h;
    if (known && *known) {
        h = *known;
    } else {
        const unsigned char *p = file.at(offset, 4);
        h = p ? parseHeader(p) : std::nullopt;
    }
    if (known)
        known->reset();
    if (!h || !sameStream(*h, stream))
        return 0;
    const int64_t next = offset + h->frameBytes;
    if (whole)
        *whole = next == file.size();
    if (next >= file.size())
        return file.size() - offset; // the last frame, whole or cut short
    if (next + 4 > file.size())
        return h->frameBytes; // a few stray bytes after the last frame
    const unsigned char *q = file.at(next, 4);
    const auto following = q ? parseHeader(q) : std::nullopt;
    if (following && sameStream(*following, stream)) {
        if (known)
            *known = following;
        return h->frameBytes;
    }
    if (tagAt(file, next))
        return h->frameBytes;
    return known && following && following->layer == stream.layer && chainAt(file, next, *following, 4, true)
        ? h->frameBytes
        : 0;
}

// Where `frames` frames of the stream follow each other (or reach the end of
// the file or a tag after one at least). A chain that would begin a stream
// must begin with a whole frame: any two bytes near the end of a file that
// look like a header would otherwise make a "frame" cut short by the end
// (in a free-format stream, the only chain found).
bool chainAt(Window &file, int64_t offset, const Header &stream, int frames, bool beginsStream)
{
    for (int i = 0; i < frames; ++i) {
        if (i > 0 && (offset >= file.size() || tagAt(file, offset)))
            return true;
        const int64_t n = frameLengthAt(file, offset, stream);
        if (n == 0 || (i == 0 && beginsStream && n < stream.frameBytes))
            return false;
        offset += n;
    }
    return true;
}

// The search for the next frame. A frame header begins with a sync: 0xFF,
// then a byte whose three high bits are set. Each place with a sync is worth
// the walk's check (a frame of the stream there, and one after it), but junk
// can hold a sync every few bytes, and most begin no frame: where their frame
// would end, the byte is neither a sync nor the start of a tag. The walk
// passes those over without the check (in findChain, place by place).
//
// The block search does the same for 16 places at a time, where the processor
// has SSE2; the plain search goes byte by byte. They must give the same
// places: useBlockSearch switches between them, and the tests run both over
// the same files.
std::atomic<bool> blockSearch{true};

#if defined(__SSE2__)
// The places c to c + 15 worth the check, as a mask (bit k for c + k):
//  1. those with a sync;
//  2. of these, the ones whose header has the same key as the first one's
//     (the same frame size): for all of them at once, the 16 bytes a frame
//     later are loaded and compared;
//  3. where that header is none or of another layer, those are not worth
//     the check; where their frame would end past what may be read
//     (checkable), they are all kept; else only those whose frame is followed
//     by a sync or a tag's first letter ('I', 'T', 'A') are kept.
// Places with other headers are kept in any case: the caller checks the first
// place of the mask, then asks again from the place after it.
uint32_t blockCandidates(const unsigned char *c, const unsigned char *checkable, int layer)
{
    const auto load = [](const unsigned char *at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
    };
    const auto syncs = [](__m128i here, __m128i after) {
        const __m128i high = _mm_set1_epi8(static_cast<char>(0xE0));
        return _mm_and_si128(_mm_cmpeq_epi8(here, _mm_set1_epi8(static_cast<char>(0xFF))),
                             _mm_cmpeq_epi8(_mm_and_si128(after, high), high));
    };
    const __m128i after = load(c + 1);
    auto mask = static_cast<uint32_t>(_mm_movemask_epi8(syncs(load(c), after)));
    if (mask == 0)
        return 0;
    const unsigned char *first = c + std::countr_zero(mask);
    const Header &h = layer3::headerEntry(first);
    const __m128i sameKey
        = _mm_and_si128(_mm_cmpeq_epi8(after, _mm_set1_epi8(static_cast<char>(first[1]))),
                        _mm_cmpeq_epi8(_mm_and_si128(load(c + 2), _mm_set1_epi8(static_cast<char>(0xFE))),
                                       _mm_set1_epi8(static_cast<char>(first[2] & 0xFE))));
    const auto same = static_cast<uint32_t>(_mm_movemask_epi8(sameKey));
    if (h.frameBytes == 0 || (layer != 0 && h.layer != layer))
        return mask & ~same;
    if (h.frameBytes + 16 > checkable - c)
        return mask;
    const __m128i later = load(c + h.frameBytes);
    const __m128i frameOrTag = _mm_or_si128(
        _mm_or_si128(syncs(later, load(c + h.frameBytes + 1)), _mm_cmpeq_epi8(later, _mm_set1_epi8('I'))),
        _mm_or_si128(_mm_cmpeq_epi8(later, _mm_set1_epi8('T')), _mm_cmpeq_epi8(later, _mm_set1_epi8('A'))));
    return mask & ~(same & ~static_cast<uint32_t>(_mm_movemask_epi8(frameOrTag)));
}
#endif

// The next place in [c, end) with a sync, or end; three bytes past end must be
// readable. The block search goes 16 places at a time and passes over the
// syncs that begin no frame itself; after four blocks without a place, and in
// the plain search wherever no 0xFF is among the next 16 bytes, the C
// library's memchr finds the next 0xFF.
const unsigned char *nextCandidate(const unsigned char *c, const unsigned char *end, const unsigned char *checkable,
                                   int layer)
{
#if defined(__SSE2__)
    int quiet = 0;
    while (blockSearch.load(std::memory_order_relaxed) && end - c >= 16) {
        if (const uint32_t mask = blockCandidates(c, checkable, layer))
            return c + std::countr_zero(mask);
        c += 16;
        if (++quiet == 4) {
            quiet = 0;
            c = static_cast<const unsigned char *>(std::memchr(c, 0xFF, static_cast<size_t>(end - c)));
            if (!c)
                return end;
        }
    }
#endif
    for (; c < end; ++c) {
        // The next 0xFF: looked for here among the next few bytes, else by
        // the library.
        const unsigned char *near = std::min(end, c + 16);
        while (c < near && *c != 0xFF)
            ++c;
        if (c == near) {
            if (near == end)
                return end;
            c = static_cast<const unsigned char *>(std::memchr(c, 0xFF, static_cast<size_t>(end - c)));
            if (!c)
                return end;
        }
        if ((c[1] & 0xE0) == 0xE0)
            return c;
    }
    return end;
}

// The first offset in [from, to) where a chain of the stream begins; with no
// stream yet, the first chain of any stream, which becomes the stream; with
// one, also a longer chain of another stream of its layer, which becomes it. The
// scan reads file in order, each byte once; the chains are checked through
// probe, so that a check never moves the scan's window.
std::optional<int64_t> findChain(Window &file, Window &probe, int64_t from, int64_t to, std::optional<Header> &stream)
{
    const int64_t fileSize = file.size();
    to = std::min(to, fileSize - 3);
    const int layer = stream ? stream->layer : 0; // 0: any
    for (int64_t offset = from; offset < to;) {
        int64_t available = 0;
        const unsigned char *p = file.from(offset, &available);
        if (!p || available < 4)
            break;
        const int64_t span = std::min(available - 3, to - offset);
        const unsigned char *end = p + span;
        // Where a frame that starts at c may be looked past without a check.
        const unsigned char *checkable = p + std::min(available - 2, fileSize - 4 - offset);
        for (const unsigned char *c = nextCandidate(p, end, checkable, layer); c < end;
             c = nextCandidate(c + 1, end, checkable, layer)) {
            const Header &h = layer3::headerEntry(c);
            if (h.frameBytes == 0 || (layer != 0 && h.layer != layer))
                continue;
            // Most headers in junk are followed by no frame and no tag: told
            // from the scan's own bytes, without a check.
            const int64_t next = h.frameBytes;
            if (next <= checkable - c) {
                const unsigned char b = c[next];
                if ((b == 0xFF && (c[next + 1] & 0xE0) != 0xE0) || (b != 0xFF && b != 'I' && b != 'T' && b != 'A'))
                    continue;
            }
            const bool begins = !stream || !sameStream(h, *stream);
            const int64_t at = offset + (c - p);
            if (chainAt(probe, at, h, begins ? 4 : 3, begins)) {
                if (begins)
                    stream = h;
                return at;
            }
        }
        offset += span;
    }
    return std::nullopt;
}

// The size of the ID3v2 tag at offset (its footer included), or 0 where there
// is none or it would reach past the end of the file.
int64_t id3v2SizeAt(Window &file, int64_t offset)
{
    const unsigned char *p = file.at(offset, 10);
    const int64_t size = p ? piecetags::tagSize(p, 10) : 0;
    return offset + size <= file.size() ? size : 0;
}

// The first byte at or after offset that is not zero (padding), or the end.
int64_t pastZeros(Window &file, int64_t offset)
{
    while (offset < file.size()) {
        const int64_t span = std::min<int64_t>(file.span(), file.size() - offset);
        const unsigned char *p = file.at(offset, span);
        if (!p)
            return offset;
        const unsigned char *end = p + span;
        const unsigned char *c = std::find_if(p, end, [](unsigned char b) { return b != 0; });
        offset += c - p;
        if (c != end)
            return offset;
    }
    return offset;
}

// Where an APE tag at the end begins (end itself when there is none): a tag
// is believed only where its footer fits the file, its header is where the
// footer says, and its items fill exactly the size it gives.
int64_t apeTagStart(Window &file, int64_t end)
{
    const unsigned char *p = file.at(end - 32, 32);
    if (!p || std::memcmp(p, "APETAGEX", 8) != 0)
        return end;
    const auto le32 = [](const unsigned char *q) {
        return int64_t(q[0]) | int64_t(q[1]) << 8 | int64_t(q[2]) << 16 | int64_t(q[3]) << 24;
    };
    const int64_t size = le32(p + 12), items = le32(p + 16);
    const bool hasHeader = p[23] & 0x80;
    const int64_t itemsStart = end - size; // the size counts the items and the footer
    const int64_t start = itemsStart - (hasHeader ? 32 : 0);
    if (size < 32 || start < 0 || items > size / 11)
        return end;
    if (hasHeader) {
        const unsigned char *h = file.at(start, 32);
        if (!h || std::memcmp(h, "APETAGEX", 8) != 0 || le32(h + 12) != size)
            return end;
    }
    // Each item: value length, flags, a printable key ended by a zero, the value.
    int64_t at = itemsStart;
    for (int64_t i = 0; i < items; ++i) {
        const unsigned char *item = file.at(at, 8);
        if (!item)
            return end;
        const int64_t valueLength = le32(item);
        int64_t key = at + 8, keyLength = 0;
        for (;; ++keyLength) {
            const unsigned char *c = file.at(key + keyLength, 1);
            if (!c || keyLength > 255)
                return end;
            if (*c == 0)
                break;
            if (*c < 0x20 || *c > 0x7E)
                return end;
        }
        if (keyLength < 2)
            return end;
        at = key + keyLength + 1 + valueLength;
        if (at > end - 32)
            return end;
    }
    return at == end - 32 ? start : end;
}

// Where the audio ends before an ID3v1 tag at the end.
int64_t beforeId3v1(Window &file)
{
    const unsigned char *p = file.at(file.size() - 128, 3);
    return p && std::memcmp(p, "TAG", 3) == 0 ? file.size() - 128 : file.size();
}

// A frame header that gives no bit rate (free format): its frames cannot be
// measured here, only by the decoder.
bool freeFormatAt(Window &file, int64_t offset)
{
    const unsigned char *p = file.at(offset, 4);
    if (!p || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const int versionBits = (p[1] >> 3) & 3, layerBits = (p[1] >> 1) & 3;
    return versionBits != 1 && layerBits != 0 && (p[2] >> 4) == 0 && ((p[2] >> 2) & 3) != 3;
}

// The frame count a Xing or Info header in the frame at offset declares.
std::optional<int64_t> declaredFrames(Window &file, int64_t offset, const Header &h)
{
    const int64_t n = std::min<int64_t>(h.frameBytes, file.size() - offset);
    const unsigned char *p = h.layer == 3 && n > 0 ? file.at(offset, n) : nullptr;
    const auto tag = p ? layer3::readInfoTag(p, n) : std::nullopt;
    if (!tag || !tag->frames)
        return std::nullopt;
    return int64_t{*tag->frames};
}

// The walk from the first audio to the end of the file; lastWhole tells
// whether the last frame ended exactly there.
std::vector<Region> walk(Window &file, bool &lastWhole, Summary &summary, const Progress &progress)
{
    summary = {};
    std::vector<Region> regions;
    const int64_t size = file.size();
    lastWhole = false;
    // Every ID3v2 tag in a row, then padding of any length.
    int64_t first = 0;
    while (const int64_t tag = id3v2SizeAt(file, first))
        first += tag;
    first = pastZeros(file, first);
    std::optional<Header> stream;
    Window probe(file.reader(), size);
    const std::optional<int64_t> start = findChain(file, probe, first, first + kLeadIn, stream);
    if (!start) {
        // Free format: the decoder has the whole audio, as it comes.
        if (freeFormatAt(file, first)) {
            regions.push_back({first, size - first});
            lastWhole = true;
            summary.freeFormat = true;
        }
        return regions;
    }
    int64_t offset = *start;
    summary.layer = stream->layer;
    summary.declaredFrames = declaredFrames(file, offset, *stream);
    std::optional<Header> known;
    // A new stretch where the stream's rate or frame length changes.
    const auto noteStream = [&summary](const Header &h) {
        const int spf = layer3::samplesPerFrame(h);
        if (summary.stretches.empty() || summary.stretches.back().sampleRate != h.sampleRate
            || summary.stretches.back().samplesPerFrame != spf) {
            if (!summary.stretches.empty() && summary.stretches.back().frame == summary.frames)
                summary.stretches.pop_back();
            summary.stretches.push_back({summary.frames, h.sampleRate, spf});
        }
    };
    noteStream(*stream);
    while (offset < size) {
        bool whole = false;
        // The side information first: read after the next frame's header, it
        // could move the window back, and the file would be read twice.
        const int64_t sideEnd = std::min<int64_t>(size - offset, layer3::kLongestHead);
        const unsigned char *head = stream->layer == 3 ? file.at(offset, sideEnd) : nullptr;
        const auto side = head ? layer3::readSideInfo(head, sideEnd) : std::nullopt;
        int64_t n = frameLengthAt(file, offset, *stream, &known, &whole);
        if (n == 0) {
            // Another stream of the layer going on from here, as where two
            // files of other rates were joined.
            const unsigned char *p = file.at(offset, 4);
            const auto other = p ? parseHeader(p) : std::nullopt;
            if (other && other->layer == stream->layer && !sameStream(*other, *stream)
                && chainAt(probe, offset, *other, 4, true)) {
                stream = other;
                noteStream(*stream);
                n = frameLengthAt(file, offset, *stream, &known, &whole);
            }
        }
        if (n > 0) {
            if (!regions.empty() && regions.back().offset >= 0
                && regions.back().offset + regions.back().length == offset)
                regions.back().length += n;
            else
                regions.push_back({offset, n});
            lastWhole = whole;
            if (summary.frames % kIndexStep == 0)
                summary.index.push_back(offset);
            ++summary.frames;
            summary.loudness.push_back(side && n >= sideEnd ? layer3::loudness(*side) : 0);
            if (progress && summary.loudness.size() % kProgressFrames == 0)
                progress(summary);
            offset += n;
            continue;
        }
        // Not a frame of the stream: what follows up to the next chain of it
        // is left out, with a break where it was.
        const std::optional<int64_t> next = findChain(file, probe, offset + 1, size, stream);
        if (!next)
            break;
        noteStream(*stream);
        regions.push_back({-1, kBreak});
        offset = *next;
    }
    return regions;
}

} // namespace

void useBlockSearch(bool on)
{
    blockSearch.store(on);
}

std::optional<Declared> declaredLength(const ReadAt &read, int64_t size)
{
    // Small reads: this is all that is read before the length can show.
    constexpr int64_t kSmall = 64 << 10;
    Window file(read, size, kSmall);
    int64_t first = 0;
    while (const int64_t tag = id3v2SizeAt(file, first))
        first += tag;
    first = pastZeros(file, first);
    std::optional<Header> stream;
    Window probe(read, size, kSmall);
    const std::optional<int64_t> start = findChain(file, probe, first, first + kLeadIn, stream);
    if (!start || stream->layer != 3)
        return std::nullopt;
    const int64_t n = std::min<int64_t>(stream->frameBytes, size - *start);
    const unsigned char *frame = file.at(*start, n);
    if (!frame)
        return std::nullopt;
    const int64_t spf = layer3::samplesPerFrame(*stream);
    if (const auto info = layer3::readInfoTag(frame, n); info && info->frames) {
        const int64_t trimmed = info->lame ? info->delay + info->padding : 0;
        return Declared{std::max<int64_t>(0, int64_t{*info->frames} * spf - trimmed), stream->sampleRate};
    }
    if (const auto vbri = layer3::readVbriTag(frame, n))
        return Declared{int64_t{vbri->frames} * spf, stream->sampleRate};
    return std::nullopt;
}

int64_t leadingTags(const ReadAt &read, int64_t size)
{
    Window file(read, size);
    int64_t end = 0;
    while (const int64_t tag = id3v2SizeAt(file, end))
        end += tag;
    return end;
}

std::vector<Region> scan(const ReadAt &read, int64_t size, Summary *summary, const Progress &progress)
{
    Summary own;
    Summary &learned = summary ? *summary : own;
    Window whole(read, size);
    const int64_t withoutApe = beforeId3v1(whole);
    const int64_t end = apeTagStart(whole, withoutApe);
    Window file(read, end);
    bool lastWhole = false;
    std::vector<Region> regions = walk(file, lastWhole, learned, progress);
    // A tag at the end is believed only where the audio ends as it begins: a
    // frame cut by it means that the tag is none, and the audio goes on.
    if (end != withoutApe && !lastWhole) {
        Window longer(read, withoutApe);
        regions = walk(longer, lastWhole, learned, progress);
    }
    return regions;
}

} // namespace audiomap
