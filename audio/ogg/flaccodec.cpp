#include "flaccodec.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace zva {

std::unique_ptr<OggCodecDecoder> FlacCodec::create() {
    FLAC__StreamDecoder* decoder = FLAC__stream_decoder_new();
    if (decoder == nullptr) {
        return nullptr;
    }
    std::unique_ptr<OggCodecDecoder> codec(new (std::nothrow) FlacCodec(decoder));
    if (!codec) {
        FLAC__stream_decoder_delete(decoder);
    }
    return codec;
}

FlacCodec::~FlacCodec() {
    FLAC__stream_decoder_delete(decoder_);
}

OggCodecDecoder::Result FlacCodec::start(const unsigned char* packet, std::size_t size) {
    const OggStreamHeader header = readOggStreamHeader(packet, size);
    if (header.codec != OggCodec::Flac) {
        return Result::Unusable;
    }
    rate_ = header.sampleRate;
    mixdown_.emplace(Mixdown::Order::Flac, header.channels);
    // "fLaC", then the STREAMINFO block marked as the last metadata block.
    input_.assign(reinterpret_cast<const char*>(packet) + 9, 4 + 4 + 34);
    input_[4] = static_cast<char>(0x80);
    read_ = 0;
    const auto status = FLAC__stream_decoder_init_stream(decoder_, read, nullptr, nullptr, nullptr,
                                                         nullptr, write, nullptr, error, this);
    if (status == FLAC__STREAM_DECODER_INIT_STATUS_MEMORY_ALLOCATION_ERROR) {
        return Result::OutOfMemory;
    }
    if (status != FLAC__STREAM_DECODER_INIT_STATUS_OK ||
        !FLAC__stream_decoder_process_until_end_of_metadata(decoder_) ||
        FLAC__stream_decoder_get_state(decoder_) != FLAC__STREAM_DECODER_SEARCH_FOR_FRAME_SYNC) {
        return Result::Unusable;
    }
    return Result::Ok;
}

OggCodecDecoder::Result FlacCodec::packet(const ogg_packet& packet, std::vector<float>& out) {
    const auto size = static_cast<std::size_t>(packet.bytes);
    if (rate_ == 0) {
        return start(packet.packet, size);
    }
    if (!isFlacFrame(packet.packet, size)) {
        return Result::Ok;  // a metadata block
    }
    input_.assign(reinterpret_cast<const char*>(packet.packet), size);
    read_ = 0;
    out_ = &out;
    FLAC__stream_decoder_process_single(decoder_);
    out_ = nullptr;
    // A damaged frame may have left the decoder at the end of its input or out of step: it
    // starts afresh with the next packet.
    if (FLAC__stream_decoder_get_state(decoder_) != FLAC__STREAM_DECODER_SEARCH_FOR_FRAME_SYNC ||
        read_ < input_.size()) {
        FLAC__stream_decoder_flush(decoder_);
    }
    return Result::Ok;
}

FLAC__StreamDecoderReadStatus FlacCodec::read(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                              size_t* bytes, void* self) {
    auto& codec = *static_cast<FlacCodec*>(self);
    const std::size_t take = std::min(*bytes, codec.input_.size() - codec.read_);
    std::memcpy(buffer, codec.input_.data() + codec.read_, take);
    codec.read_ += take;
    *bytes = take;
    return take > 0 ? FLAC__STREAM_DECODER_READ_STATUS_CONTINUE
                    : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
}

FLAC__StreamDecoderWriteStatus FlacCodec::write(const FLAC__StreamDecoder*,
                                                const FLAC__Frame* frame,
                                                const FLAC__int32* const buffer[], void* self) {
    auto& codec = *static_cast<FlacCodec*>(self);
    const unsigned bits = frame->header.bits_per_sample;
    if (codec.out_ == nullptr || bits == 0 || bits > 32) {
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }
    const float scale = 1.0f / static_cast<float>(1ull << (bits - 1));
    const int channels = static_cast<int>(frame->header.channels);
    const Mixdown& mixdown = *codec.mixdown_;
    // A frame whose channel count differs from STREAMINFO's is read as far as both have channels.
    mixdown.append(*codec.out_, frame->header.blocksize, [&](std::size_t i, int c) {
        return c < channels ? static_cast<float>(buffer[c][i]) * scale : 0.0f;
    });
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

}  // namespace zva
