#include "framesync.h"

#include "adtsheader.h"
#include "mpegheader.h"

namespace zva {
namespace {

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
    const auto header = MpegHeader::parse(h);
    if (!header) {
        return 0;
    }
    if (info != nullptr) {
        info->format = Format::Mpeg;
        info->sampleRate = header->sampleRate();
        info->channels = header->channels();
        info->bitrate = header->bitrate();
    }
    return header->frameLength();
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
