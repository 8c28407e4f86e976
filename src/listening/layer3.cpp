#include "listening/layer3.h"

#include <algorithm>

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

} // namespace

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
