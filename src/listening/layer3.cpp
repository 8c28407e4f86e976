#include "listening/layer3.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace layer3 {

namespace {

// Reads the bits of a big-endian bit string, in order.
class Bits {
public:
    explicit Bits(const unsigned char *data) : m_data(data) {}
    int take(int n)
    {
        int v = 0;
        for (int i = 0; i < n; ++i, ++m_at)
            v = v << 1 | ((m_data[m_at >> 3] >> (7 - (m_at & 7))) & 1);
        return v;
    }
    void skip(int n) { m_at += n; }

private:
    const unsigned char *m_data;
    int m_at = 0;
};

uint32_t be32(const unsigned char *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// Kilobits per second by [MPEG-1 or not][layer - 1][index].
constexpr int kBitRates[2][3][16] = {{{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
                                      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
                                      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
                                     {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
                                      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
                                      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};

constexpr int kSampleRates[3] = {44100, 48000, 32000};

constexpr std::array<Header, 2048> makeHeaderTable()
{
    std::array<Header, 2048> table{};
    for (size_t key = 0; key < table.size(); ++key) {
        const size_t versionBits = (key >> 9) & 3, layerBits = (key >> 7) & 3;
        const size_t rateIndex = (key >> 3) & 15, sampleIndex = (key >> 1) & 3;
        const int padding = static_cast<int>(key & 1);
        if (versionBits == 1 || layerBits == 0 || rateIndex == 0 || rateIndex == 15 || sampleIndex == 3)
            continue;
        Header h{};
        h.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
        h.layer = 4 - static_cast<int>(layerBits);
        h.sampleRate = kSampleRates[sampleIndex] / (h.version == 1 ? 1 : h.version == 2 ? 2 : 4);
        const int kbps = kBitRates[h.version == 1 ? 0 : 1][h.layer - 1][rateIndex];
        if (h.layer == 1)
            h.frameBytes = (12 * kbps * 1000 / h.sampleRate + padding) * 4;
        else if (h.layer == 3 && h.version != 1)
            h.frameBytes = 72 * kbps * 1000 / h.sampleRate + padding;
        else
            h.frameBytes = 144 * kbps * 1000 / h.sampleRate + padding;
        table[key] = h;
    }
    return table;
}

// The header of the Layer III frame at frame, where n bytes hold it.
std::optional<Header> layer3Header(const unsigned char *frame, int64_t n)
{
    const auto h = n >= 4 ? parseHeader(frame) : std::nullopt;
    if (!h || h->layer != 3)
        return std::nullopt;
    return h;
}

} // namespace

extern const std::array<Header, 2048> kHeaderTable = makeHeaderTable();

std::optional<Header> parseHeader(const unsigned char *p)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return std::nullopt;
    Header h = headerEntry(p);
    if (h.frameBytes == 0)
        return std::nullopt;
    h.bitRateIndex = p[2] >> 4;
    h.crc = (p[1] & 1) == 0;
    h.mono = (p[3] >> 6) == 3;
    return h;
}

std::optional<InfoTag> readInfoTag(const unsigned char *frame, int64_t n)
{
    const auto head = layer3Header(frame, n);
    if (!head)
        return std::nullopt;
    const int64_t at = infoTagAt(*head);
    if (n < at + 8 || (std::memcmp(frame + at, "Xing", 4) != 0 && std::memcmp(frame + at, "Info", 4) != 0))
        return std::nullopt;
    InfoTag tag;
    tag.cbr = frame[at] == 'I';
    const uint32_t flags = be32(frame + at + 4);
    int64_t p = at + 8;
    const auto field = [&](uint32_t flag, int size, std::optional<uint32_t> *into) {
        if (!(flags & flag))
            return;
        if (into && n >= p + 4)
            *into = be32(frame + p);
        p += size;
    };
    field(kInfoFrames, 4, &tag.frames);
    field(kInfoBytes, 4, &tag.bytes);
    field(kInfoToc, kTocEntries, nullptr);
    field(kInfoQuality, 4, &tag.quality);
    if (n < p + kLameTagBytes || frame[p] == 0)
        return tag;
    std::array<unsigned char, kLameTagBytes> lame{};
    std::memcpy(lame.data(), frame + p, lame.size());
    tag.lame = lame;
    tag.delay = lame[21] << 4 | lame[22] >> 4;
    tag.padding = (lame[22] & 15) << 8 | lame[23];
    return tag;
}

std::optional<VbriTag> readVbriTag(const unsigned char *frame, int64_t n)
{
    constexpr int64_t at = 4 + 32;
    if (!layer3Header(frame, n) || n < at + 18 || std::memcmp(frame + at, "VBRI", 4) != 0)
        return std::nullopt;
    return VbriTag{be32(frame + at + 14), frame[at + 6] << 8 | frame[at + 7]};
}

std::optional<SideInfo> readSideInfo(const unsigned char *frame, int64_t available)
{
    const auto head = layer3Header(frame, available);
    if (!head || available < mainDataAt(*head))
        return std::nullopt;
    const bool mpeg1 = head->version == 1;
    const bool mono = head->mono;
    SideInfo side;
    side.bytes = sideInfoBytes(*head);
    side.granules = mpeg1 ? 2 : 1;
    side.channels = mono ? 1 : 2;
    Bits bits(frame + mainDataAt(*head) - side.bytes);
    side.mainDataBegin = bits.take(mpeg1 ? 9 : 8);
    bits.skip(mpeg1 ? (mono ? 5 : 3) : (mono ? 1 : 2)); // private bits
    if (mpeg1)
        bits.skip(4 * side.channels); // which scale factors the second granule shares
    for (int gr = 0; gr < side.granules; ++gr) {
        for (int ch = 0; ch < side.channels; ++ch) {
            side.part23Bits[gr][ch] = bits.take(12);
            bits.skip(9); // big values
            side.globalGain[gr][ch] = bits.take(8);
            // Scale factor sizes, then the block and table fields (22 bits
            // with or without window switching), then the last flags.
            bits.skip((mpeg1 ? 4 : 9) + 1 + 22 + (mpeg1 ? 3 : 2));
        }
    }
    return side;
}

uint8_t loudness(const SideInfo &side)
{
    int loudest = 0;
    for (int gr = 0; gr < side.granules; ++gr) {
        for (int ch = 0; ch < side.channels; ++ch) {
            if (side.part23Bits[gr][ch] > 0)
                loudest = std::max(loudest, side.globalGain[gr][ch]);
        }
    }
    return static_cast<uint8_t>(loudest);
}

} // namespace layer3
