// Where a piece's decoded samples lie in its source's: prints
// "<first sample> <samples> <rate>" when every sample of the piece equals the
// source's from there on, as a gapless decoder gives both; exits 1 otherwise.

#include "listening/mpgplayer.h"

#include <QString>

#include <mpg123.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

std::vector<float> decodeFirstChannel(const char *path, long &rate)
{
    int channels = 0;
    int64_t length = 0;
    std::vector<float> out;
    const Decoder handle = openDecoder(QString::fromLocal8Bit(path), rate, channels, length);
    if (!handle)
        return out;
    std::vector<float> block(8192);
    for (;;) {
        size_t done = 0;
        const int rc = mpg123_read(handle.get(), block.data(), block.size() * sizeof(float), &done);
        for (size_t i = 0; i < done / sizeof(float); i += static_cast<size_t>(channels))
            out.push_back(block[i]);
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)
            return out;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    long sourceRate = 0, pieceRate = 0;
    const std::vector<float> source = decodeFirstChannel(argv[1], sourceRate);
    const std::vector<float> piece = decodeFirstChannel(argv[2], pieceRate);
    if (piece.empty() || pieceRate != sourceRate || piece.size() > source.size())
        return 1;
    for (size_t at = 0; at + piece.size() <= source.size(); ++at) {
        size_t i = 0;
        while (i < piece.size() && std::fabs(piece[i] - source[at + i]) < 1e-4F)
            ++i;
        if (i == piece.size()) {
            std::printf("%zu %zu %ld\n", at, piece.size(), sourceRate);
            return 0;
        }
    }
    return 1;
}
