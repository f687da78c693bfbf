#include "oggchain.h"

#include <algorithm>
#include <limits>

namespace zva {

OggChain::OggChain(std::uint32_t serial) : serial_(serial) {
    ogg_stream_init(&stream_, static_cast<int>(serial));
}

OggChain::~OggChain() {
    ogg_stream_clear(&stream_);
}

std::unique_ptr<OggChain> OggChain::begin(OggPage& bos, ZVA_PcmSink sink, void* user) {
    std::unique_ptr<OggChain> chain(new OggChain(bos.serial));
    ogg_page view = bos.view();
    ogg_packet first{};
    if (ogg_stream_pagein(&chain->stream_, &view) != 0 ||
        ogg_stream_packetpeek(&chain->stream_, &first) != 1) {
        return nullptr;
    }
    const OggCodec codec =
        readOggStreamHeader(first.packet, static_cast<std::size_t>(first.bytes)).codec;
    if (codec == OggCodec::Unknown) {
        return nullptr;
    }
    chain->codec_ = makeOggCodecDecoder(codec);
    if (!chain->codec_) {
        chain->state_ = State::OutOfMemory;
        return chain;
    }
    chain->decodePackets(bos.granule, sink, user);
    return chain;
}

void OggChain::page(OggPage& page, ZVA_PcmSink sink, void* user) {
    ogg_page view = page.view();
    if (state_ == State::Playing && ogg_stream_pagein(&stream_, &view) == 0) {
        decodePackets(page.granule, sink, user);
    }
}

void OggChain::decodePackets(std::int64_t granule, ZVA_PcmSink sink, void* user) {
    // Where the page's granule says the chain's sound stands once its packets are decoded:
    // no frame beyond it goes on, which cuts the chain's end sample for sample.
    const std::int64_t end =
        granule >= 0 ? std::max<std::int64_t>(granule - codec_->granuleOffset(), 0) : -1;
    ogg_packet packet{};
    int result = 0;
    // -1 is a hole left by lost pages: the packets after it decode on.
    while (state_ == State::Playing && (result = ogg_stream_packetout(&stream_, &packet)) != 0) {
        if (result < 0 || static_cast<std::size_t>(packet.bytes) > kMaxPacket) {
            continue;
        }
        switch (codec_->packet(packet, held_)) {
            case OggCodecDecoder::Result::Ok:
                break;
            case OggCodecDecoder::Result::Unusable:
                state_ = State::Unusable;
                break;
            case OggCodecDecoder::Result::OutOfMemory:
                state_ = State::OutOfMemory;
                break;
        }
        emit(end, sink, user);
    }
    // A packet still unfinished past the limit is dropped; the rest of it, on the pages that
    // follow, is skipped by libogg as the tail of a packet it never began.
    if (static_cast<std::size_t>(stream_.body_fill - stream_.body_returned) > kMaxPacket) {
        ogg_stream_reset(&stream_);
    }
    // Pages were lost or the chain was joined late: the granule says where the sound is.
    position_ = std::max(position_, end);
}

void OggChain::emit(std::int64_t end, ZVA_PcmSink sink, void* user) {
    const auto channels = static_cast<std::size_t>(codec_->channels());
    std::size_t frames = channels > 0 ? held_.size() / channels : 0;
    if (end >= 0) {
        frames = static_cast<std::size_t>(
            std::clamp<std::int64_t>(end - position_, 0, static_cast<std::int64_t>(frames)));
    }
    if (frames > 0) {
        sink(user, held_.data(), frames, codec_->rate(), static_cast<int>(channels));
    }
    const auto limit = std::numeric_limits<std::int64_t>::max();
    const auto advance = static_cast<std::int64_t>(frames);
    position_ = advance > limit - position_ ? limit : position_ + advance;
    held_.clear();
}

}  // namespace zva
