#pragma once
// The MP3 format's facts, each written once: what a frame header says (its
// version, layer, rate and size, its checksum and channels), and for Layer III
// the side information after it (the size, where the main data begins in the
// bit reservoir, its granules and channels, and how many bits and what gain
// each granule of each channel codes), and the Xing/Info, LAME and VBRI
// headers that a stream's first frame may carry. The walk, the exact cut and
// its Info frame all read and write frames through here.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace layer3 {

struct Header {
    int version = 0;      // 1 (MPEG-1), 2 (MPEG-2) or 25 (MPEG-2.5)
    int layer = 0;        // 1, 2 or 3
    int sampleRate = 0;   // Hz
    int frameBytes = 0;   // the whole frame, header included
    int bitRateIndex = 0; // 1 to 14
    bool crc = false;     // a checksum of two bytes follows the header
    bool mono = false;    // one channel
};

// The frame header in the four bytes at p, or nothing when they are none.
// Free-format frames (no bit rate given) are none: their size is not known.
[[nodiscard]] std::optional<Header> parseHeader(const unsigned char *p);

// What a header says hangs on eleven of its bits: the version and layer of
// its second byte, the bit rate, sample rate and padding of its third. The
// private, copyright, original and emphasis bits (the reserved emphasis
// value too) change nothing of what a frame is: decoders play it.
[[nodiscard]] constexpr size_t headerKey(const unsigned char *p)
{
    return size_t((p[1] >> 1) & 0x0F) << 7 | size_t(p[2] >> 1);
}

// Every header by its key, worked out once: the search for frames reads a
// header at every 0xFF byte of junk, and a division for each would make it
// slow. A frame size of 0 marks the keys that are no header. The entry gives
// no checksum, channels or bit rate index: parseHeader adds them.
extern const std::array<Header, 2048> kHeaderTable;
[[nodiscard]] inline const Header &headerEntry(const unsigned char *p)
{
    return kHeaderTable[headerKey(p)];
}

// The samples of each channel a frame codes.
[[nodiscard]] constexpr int samplesPerFrame(const Header &h)
{
    return h.layer == 1 ? 384 : h.layer == 3 && h.version != 1 ? 576 : 1152;
}

// Bytes of side information after the header (and its checksum) of a Layer III frame.
[[nodiscard]] constexpr int sideInfoBytes(const Header &h)
{
    return h.version == 1 ? (h.mono ? 17 : 32) : (h.mono ? 9 : 17);
}

// Where a Layer III frame's own main data begins in it: after the header,
// the checksum and the side information.
[[nodiscard]] constexpr int mainDataAt(const Header &h)
{
    return 4 + (h.crc ? 2 : 0) + sideInfoBytes(h);
}

// Where a Xing or Info header begins in a stream's first frame, as decoders
// look for it and encoders write it: right after the side information, the
// checksum (where the frame has one) not counted.
[[nodiscard]] constexpr int infoTagAt(const Header &h)
{
    return 4 + sideInfoBytes(h);
}

// The most bytes a Layer III frame's header, checksum and side information take.
constexpr int kLongestHead = 4 + 2 + 32;

struct SideInfo {
    int bytes = 0;          // of the side information
    int mainDataBegin = 0;  // how far back in the bit reservoir the main data begins
    int granules = 0;       // 2 (MPEG-1) or 1
    int channels = 0;       // 1 or 2
    int part23Bits[2][2]{}; // bits of main data, by granule and channel
    int globalGain[2][2]{};
};

// The side information of the Layer III frame whose header is at frame (the
// checksum after it where it has one); none where fewer than the bytes it
// needs are at hand (available) or the header is none of Layer III.
[[nodiscard]] std::optional<SideInfo> readSideInfo(const unsigned char *frame, int64_t available);

// A figure for how loud a frame is, from its side information alone: 0 where
// no granule codes anything (silence), else the largest global gain of the
// granules that do (each step of 4 doubles the amplitude).
[[nodiscard]] uint8_t loudness(const SideInfo &side);

constexpr int kLameTagBytes = 36;
constexpr int kTocEntries = 100;
// The fields a Xing or Info header has, by their flags.
enum InfoFlags : uint32_t {
    kInfoFrames = 1,
    kInfoBytes = 2,
    kInfoToc = 4,
    kInfoQuality = 8
};

// What a Xing or Info header in a stream's first frame declares (Info: the
// stream is of one bit rate). The frame is then no audio.
struct InfoTag {
    bool cbr = false;               // "Info" rather than "Xing"
    std::optional<uint32_t> frames; // the frames after this one
    std::optional<uint32_t> bytes;  // the stream's, this frame included
    std::optional<uint32_t> quality;
    std::optional<std::array<unsigned char, kLameTagBytes>> lame; // where a LAME tag follows
    int delay = 0;                                                // the LAME tag's encoder delay, samples
    int padding = 0;                                              // and padding
};

// The Xing or Info header of the frame at frame (n bytes readable), at
// infoTagAt; a LAME tag follows where the byte after the fields is not 0.
[[nodiscard]] std::optional<InfoTag> readInfoTag(const unsigned char *frame, int64_t n);

// What a VBRI header (32 bytes after the header) declares: its frames, and the
// encoder's delay.
struct VbriTag {
    uint32_t frames = 0;
    int delay = 0;
};
[[nodiscard]] std::optional<VbriTag> readVbriTag(const unsigned char *frame, int64_t n);

} // namespace layer3
