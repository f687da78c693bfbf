#pragma once

#include <vorbis/codec.h>

#include <optional>

#include "mixdown.h"
#include "oggcodec.h"

namespace zva {

// A Vorbis chain through libvorbis's synthesis layer: three header packets, then audio.
//
// Thread contract: one object is used by one thread at a time.
class VorbisCodec final : public OggCodecDecoder {
public:
    VorbisCodec();
    ~VorbisCodec() override;
    VorbisCodec(const VorbisCodec&) = delete;
    VorbisCodec& operator=(const VorbisCodec&) = delete;

    Result packet(const ogg_packet& packet, std::vector<float>& out) override;
    int rate() const override { return static_cast<int>(info_.rate); }
    int channels() const override { return mixdown_ ? mixdown_->outChannels() : 0; }

private:
    vorbis_info info_;
    vorbis_comment comment_;
    vorbis_dsp_state dsp_{};
    vorbis_block block_{};
    int headers_ = 0;            // header packets taken
    bool synthesising_ = false;  // dsp_ and block_ are set up
    std::optional<Mixdown> mixdown_;
};

}  // namespace zva
