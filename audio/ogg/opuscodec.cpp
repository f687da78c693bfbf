#include "opuscodec.h"

#include <cstring>

namespace zva {
namespace {

// The longest Opus packet: 120 ms at 48 kHz.
constexpr int kMaxFrames = 5760;

}  // namespace

OpusCodec::~OpusCodec() {
    opus_multistream_decoder_destroy(decoder_);
}

OggCodecDecoder::Result OpusCodec::start(const unsigned char* head, std::size_t size) {
    // "OpusHead", version, channels, pre-skip, input rate, output gain, mapping family, then
    // for family 1 the stream count, the coupled count and one mapping byte per channel.
    if (size < 19 || std::memcmp(head, "OpusHead", 8) != 0 || (head[8] & 0xF0) != 0) {
        return Result::Unusable;
    }
    channels_ = head[9];
    preSkip_ = head[10] | head[11] << 8;
    toSkip_ = preSkip_;
    const auto gain = static_cast<std::int16_t>(head[16] | head[17] << 8);
    const int family = head[18];
    int streams = 1;
    int coupled = channels_ - 1;
    unsigned char mapping[255] = {0, 1};
    if (family == 1) {
        if (size < 21u + channels_) {
            return Result::Unusable;
        }
        streams = head[19];
        coupled = head[20];
        std::memcpy(mapping, head + 21, channels_);
    } else if (family != 0 || channels_ > 2) {
        return Result::Unusable;
    }
    if (channels_ == 0 || channels_ > 8) {
        return Result::Unusable;
    }
    int error = OPUS_OK;
    decoder_ = opus_multistream_decoder_create(48000, channels_, streams, coupled, mapping, &error);
    if (decoder_ == nullptr) {
        return error == OPUS_ALLOC_FAIL ? Result::OutOfMemory : Result::Unusable;
    }
    opus_multistream_decoder_ctl(decoder_, OPUS_SET_GAIN(gain));
    pcm_.resize(static_cast<std::size_t>(kMaxFrames) * channels_);
    mixdown_.emplace(Mixdown::Order::Vorbis, channels_);
    return Result::Ok;
}

OggCodecDecoder::Result OpusCodec::packet(const ogg_packet& packet, std::vector<float>& out) {
    if (decoder_ == nullptr) {
        return start(packet.packet, static_cast<std::size_t>(packet.bytes));
    }
    // A missing comment packet costs no sound: whatever follows the head and is no comment
    // packet is audio.
    if (!tags_) {
        tags_ = true;
        if (isOggCommentPacket(OggCodec::Opus, packet.packet,
                               static_cast<std::size_t>(packet.bytes))) {
            return Result::Ok;
        }
    }
    // An empty packet would ask libopus to conceal a loss of the longest packet.
    if (packet.bytes <= 0) {
        return Result::Ok;
    }
    const int frames = opus_multistream_decode_float(
        decoder_, packet.packet, static_cast<opus_int32>(packet.bytes), pcm_.data(), kMaxFrames, 0);
    if (frames <= 0) {
        return Result::Ok;
    }
    const int skip = frames < toSkip_ ? frames : toSkip_;
    toSkip_ -= skip;
    const float* pcm = pcm_.data() + static_cast<std::size_t>(skip) * channels_;
    const int channels = channels_;
    mixdown_->append(out, static_cast<std::size_t>(frames - skip),
                     [pcm, channels](std::size_t i, int c) { return pcm[i * channels + c]; });
    return Result::Ok;
}

}  // namespace zva
