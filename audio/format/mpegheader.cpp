#include "mpegheader.h"

namespace zva {
namespace {

constexpr int kBitrates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},  // MPEG 1, I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},     // MPEG 1, II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},      // MPEG 1, III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},     // MPEG 2/2.5, I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},          // 2/2.5, II+III
};

constexpr int kRates[3] = {44100, 48000, 32000};

}  // namespace

std::optional<MpegHeader> MpegHeader::parse(const unsigned char* h) {
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) {
        return std::nullopt;
    }
    const int version = (h[1] >> 3) & 3;      // 0: 2.5, 1: reserved, 2: MPEG 2, 3: MPEG 1
    const int layer = 4 - ((h[1] >> 1) & 3);  // 4 = reserved
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3 ||
        (h[3] & 3) == 2) {
        return std::nullopt;
    }
    const bool mpeg1 = version == 3;
    MpegHeader header;
    header.bitrate_ = kBitrates[mpeg1 ? layer - 1 : (layer == 1 ? 3 : 4)][bitrateIndex] * 1000;
    header.sampleRate_ = kRates[rateIndex] >> (mpeg1 ? 0 : (version == 2 ? 1 : 2));
    header.channels_ = (h[3] >> 6) == 3 ? 1 : 2;
    const int padding = (h[2] >> 1) & 1;
    if (layer == 1) {
        header.samples_ = 384;
        header.frameLength_ =
            static_cast<size_t>((12 * header.bitrate_ / header.sampleRate_ + padding) * 4);
    } else if (layer == 3 && !mpeg1) {
        header.samples_ = 576;
        header.frameLength_ =
            static_cast<size_t>(72 * header.bitrate_ / header.sampleRate_ + padding);
    } else {
        header.samples_ = 1152;
        header.frameLength_ =
            static_cast<size_t>(144 * header.bitrate_ / header.sampleRate_ + padding);
    }
    return header;
}

}  // namespace zva
