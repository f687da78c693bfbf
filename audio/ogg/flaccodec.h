#pragma once

#include <FLAC/stream_decoder.h>

#include <optional>
#include <string>

#include "mixdown.h"
#include "oggcodec.h"

namespace zva {

// A FLAC chain through libFLAC's native stream decoder (its Ogg reader cannot follow chains):
// the chain's packets are turned back into a native FLAC stream, "fLaC" and the STREAMINFO
// block from the first packet, then one frame packet at a time. The decoder pulls from a buffer
// that holds one whole packet before it is asked to decode, so its reads never run dry inside a
// frame. The other metadata blocks are not passed on: decoding needs none of them.
//
// Thread contract: one object is used by one thread at a time.
class FlacCodec final : public OggCodecDecoder {
public:
    // Null when libFLAC cannot allocate a decoder.
    static std::unique_ptr<OggCodecDecoder> create();
    ~FlacCodec() override;
    FlacCodec(const FlacCodec&) = delete;
    FlacCodec& operator=(const FlacCodec&) = delete;

    Result packet(const ogg_packet& packet, std::vector<float>& out) override;
    int rate() const override { return rate_; }
    int channels() const override { return mixdown_ ? mixdown_->outChannels() : 0; }

private:
    explicit FlacCodec(FLAC__StreamDecoder* decoder) : decoder_(decoder) {}

    Result start(const unsigned char* packet, std::size_t size);

    static FLAC__StreamDecoderReadStatus read(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                              size_t* bytes, void* self);
    static FLAC__StreamDecoderWriteStatus write(const FLAC__StreamDecoder*,
                                                const FLAC__Frame* frame,
                                                const FLAC__int32* const buffer[], void* self);
    static void error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {}

    FLAC__StreamDecoder* decoder_;
    std::string input_;  // what the decoder has yet to read
    std::size_t read_ = 0;
    std::vector<float>* out_ = nullptr;  // set while a packet is decoded
    int rate_ = 0;
    std::optional<Mixdown> mixdown_;
};

}  // namespace zva
