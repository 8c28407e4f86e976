#pragma once
// A Layer III frame as its header and side information describe it: the side
// information's size, where the frame's main data begins in the bit
// reservoir, its granules and channels, and how many bits and what gain each
// granule of each channel codes.

#include <array>
#include <cstdint>
#include <optional>

namespace layer3 {

// Bytes of side information after the header (and its checksum) of an MPEG-1
// (version 1) or MPEG-2 or 2.5 frame, mono or not.
[[nodiscard]] constexpr int sideInfoBytes(int version, bool mono)
{
    return version == 1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
}

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

// The Xing or Info header of the frame at frame (n bytes readable), as
// decoders read it: right after the side information, where the frame has a
// checksum too; a LAME tag follows where the byte after the fields is not 0.
[[nodiscard]] std::optional<InfoTag> readInfoTag(const unsigned char *frame, int64_t n);

// What a VBRI header (32 bytes after the header) declares: its frames, and the
// encoder's delay.
struct VbriTag {
    uint32_t frames = 0;
    int delay = 0;
};
[[nodiscard]] std::optional<VbriTag> readVbriTag(const unsigned char *frame, int64_t n);

} // namespace layer3
