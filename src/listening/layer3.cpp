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

// The MPEG version (1, or 2 for 2 and 2.5) and the mono bit of a Layer III header.
std::optional<std::pair<int, bool>> layer3Header(const unsigned char *frame, int64_t n)
{
    if (n < 4 || frame[0] != 0xFF || (frame[1] & 0xE0) != 0xE0 || ((frame[1] >> 1) & 3) != 1
        || ((frame[1] >> 3) & 3) == 1)
        return std::nullopt;
    return std::pair{((frame[1] >> 3) & 3) == 3 ? 1 : 2, (frame[3] >> 6) == 3};
}

} // namespace

std::optional<InfoTag> readInfoTag(const unsigned char *frame, int64_t n)
{
    const auto head = layer3Header(frame, n);
    if (!head)
        return std::nullopt;
    const int64_t at = 4 + sideInfoBytes(head->first, head->second);
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
    field(1, 4, &tag.frames);
    field(2, 4, &tag.bytes);
    field(4, kTocEntries, nullptr);
    field(8, 4, &tag.quality);
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
    if (available < 4 || frame[0] != 0xFF || (frame[1] & 0xE0) != 0xE0 || ((frame[1] >> 1) & 3) != 1)
        return std::nullopt;
    const int versionBits = (frame[1] >> 3) & 3;
    if (versionBits == 1)
        return std::nullopt;
    const bool mpeg1 = versionBits == 3;
    const bool mono = (frame[3] >> 6) == 3;
    const int crc = (frame[1] & 1) ? 0 : 2;
    SideInfo side;
    side.bytes = sideInfoBytes(mpeg1 ? 1 : 2, mono);
    if (available < 4 + crc + side.bytes)
        return std::nullopt;
    side.granules = mpeg1 ? 2 : 1;
    side.channels = mono ? 1 : 2;
    Bits bits(frame + 4 + crc);
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
