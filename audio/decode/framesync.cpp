#include "framesync.h"

#include "adtsheader.h"

namespace zva {
namespace {

constexpr int kMpegBitrates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},  // MPEG 1, I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},     // MPEG 1, II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},      // MPEG 1, III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},     // MPEG 2/2.5, I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},          // 2/2.5, II+III
};

constexpr int kMpegRates[3] = {44100, 48000, 32000};

// The header bits that stay the same from frame to frame of one stream.
bool sameMpegStream(const std::uint8_t* a, const std::uint8_t* b) {
    return a[0] == b[0] && (a[1] & 0xFE) == (b[1] & 0xFE) && (a[2] & 0x0C) == (b[2] & 0x0C);
}

// Whether the ADTS header at `b` could follow the one at `a` in one stream (both parse).
bool sameAdtsStream(const std::uint8_t* a, const std::uint8_t* b) {
    const auto first = AdtsHeader::parse(a);
    const auto second = AdtsHeader::parse(b);
    return first && second && first->sameStream(*second);
}

}  // namespace

std::size_t FrameSync::mpegFrame(const std::uint8_t* h, Result* info) {
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) {
        return 0;
    }
    const int version = (h[1] >> 3) & 3;      // 0: 2.5, 1: reserved, 2: MPEG 2, 3: MPEG 1
    const int layer = 4 - ((h[1] >> 1) & 3);  // 4 = reserved
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3 ||
        (h[3] & 3) == 2) {
        return 0;
    }
    const bool mpeg1 = version == 3;
    const int table = mpeg1 ? layer - 1 : (layer == 1 ? 3 : 4);
    const int bitrate = kMpegBitrates[table][bitrateIndex] * 1000;
    const int rate = kMpegRates[rateIndex] >> (mpeg1 ? 0 : (version == 2 ? 1 : 2));
    const int padding = (h[2] >> 1) & 1;
    std::size_t length;
    if (layer == 1) {
        length = static_cast<std::size_t>((12 * bitrate / rate + padding) * 4);
    } else if (layer == 3 && !mpeg1) {
        length = static_cast<std::size_t>(72 * bitrate / rate + padding);
    } else {
        length = static_cast<std::size_t>(144 * bitrate / rate + padding);
    }
    if (info != nullptr) {
        info->format = Format::Mpeg;
        info->sampleRate = rate;
        info->channels = (h[3] >> 6) == 3 ? 1 : 2;
        info->bitrate = bitrate;
    }
    return length;
}

std::size_t FrameSync::adtsFrame(const std::uint8_t* h, Result* info) {
    const auto header = AdtsHeader::parse(h);
    if (!header) {
        return 0;
    }
    const std::size_t length = header->frameLength();
    if (info != nullptr) {
        info->format = Format::Adts;
        info->sampleRate = header->sampleRate();
        info->channels = header->channelConfiguration() == 0 ? 2 : header->channelConfiguration();
        info->bitrate =
            static_cast<int>(length * 8 * static_cast<std::size_t>(info->sampleRate) / 1024);
    }
    return length;
}

FrameSync::Result FrameSync::find(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 9;
    for (std::size_t at = 0; at + kHeader <= size; ++at) {
        Result info;
        if (const std::size_t length = mpegFrame(data + at, &info); length > 0) {
            const std::size_t next = at + length;
            if (next + kHeader <= size && mpegFrame(data + next, nullptr) > 0 &&
                sameMpegStream(data + at, data + next)) {
                info.offset = at;
                return info;
            }
        }
        if (const std::size_t length = adtsFrame(data + at, &info); length > 0) {
            const std::size_t next = at + length;
            if (next + kHeader <= size && adtsFrame(data + next, nullptr) > 0 &&
                sameAdtsStream(data + at, data + next)) {
                // AAC frames vary in size: average the rate over the frames at hand.
                long long bits = 0;
                int frames = 0;
                for (std::size_t pos = at; pos + kHeader <= size && frames < 32;) {
                    const std::size_t frame = adtsFrame(data + pos, nullptr);
                    if (frame == 0 || !sameAdtsStream(data + at, data + pos)) {
                        break;
                    }
                    bits += static_cast<long long>(frame) * 8;
                    ++frames;
                    pos += frame;
                }
                info.offset = at;
                info.bitrate = static_cast<int>(bits * info.sampleRate / (1024LL * frames));
                return info;
            }
        }
    }
    return {};
}

}  // namespace zva
