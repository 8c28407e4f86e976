#pragma once
// A Layer III frame as its header and side information describe it: the side
// information's size, where the frame's main data begins in the bit
// reservoir, its granules and channels, and how many bits and what gain each
// granule of each channel codes.

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

} // namespace layer3
