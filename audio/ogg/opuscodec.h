#pragma once

#include <opus/opus_multistream.h>

#include <optional>

#include "mixdown.h"
#include "oggcodec.h"

namespace zva {

// An Opus chain through libopus's multistream decoder (channel mapping families 0 and 1):
// "OpusHead", "OpusTags", then audio decoded at 48 kHz with the header's output gain, the
// pre-skip frames dropped.
//
// Thread contract: one object is used by one thread at a time.
class OpusCodec final : public OggCodecDecoder {
public:
    OpusCodec() = default;
    ~OpusCodec() override;
    OpusCodec(const OpusCodec&) = delete;
    OpusCodec& operator=(const OpusCodec&) = delete;

    Result packet(const ogg_packet& packet, std::vector<float>& out) override;
    int rate() const override { return 48000; }
    int channels() const override { return mixdown_ ? mixdown_->outChannels() : 0; }
    std::int64_t granuleOffset() const override { return preSkip_; }

private:
    Result start(const unsigned char* head, std::size_t size);

    OpusMSDecoder* decoder_ = nullptr;
    int channels_ = 0;
    int preSkip_ = 0;
    int toSkip_ = 0;     // pre-skip frames still to drop
    bool tags_ = false;  // the packet after "OpusHead" has been seen
    std::vector<float> pcm_;
    std::optional<Mixdown> mixdown_;
};

}  // namespace zva
