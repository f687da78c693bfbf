#include "vorbiscodec.h"

namespace zva {

VorbisCodec::VorbisCodec() {
    vorbis_info_init(&info_);
    vorbis_comment_init(&comment_);
}

VorbisCodec::~VorbisCodec() {
    if (synthesising_) {
        vorbis_block_clear(&block_);
        vorbis_dsp_clear(&dsp_);
    }
    vorbis_comment_clear(&comment_);
    vorbis_info_clear(&info_);
}

OggCodecDecoder::Result VorbisCodec::packet(const ogg_packet& packet, std::vector<float>& out) {
    // libvorbis takes non-const packets but only reads them.
    auto* op = const_cast<ogg_packet*>(&packet);
    if (headers_ < 3) {
        if (vorbis_synthesis_headerin(&info_, &comment_, op) != 0 || info_.channels <= 0) {
            return Result::Unusable;
        }
        if (++headers_ < 3) {
            return Result::Ok;
        }
        if (vorbis_synthesis_init(&dsp_, &info_) != 0) {
            return Result::Unusable;
        }
        if (vorbis_block_init(&dsp_, &block_) != 0) {
            vorbis_dsp_clear(&dsp_);
            return Result::OutOfMemory;
        }
        synthesising_ = true;
        mixdown_.emplace(Mixdown::Order::Vorbis, info_.channels);
        return Result::Ok;
    }
    // A damaged packet is dropped; the next one decodes on its own.
    if (vorbis_synthesis(&block_, op) != 0 || vorbis_synthesis_blockin(&dsp_, &block_) != 0) {
        return Result::Ok;
    }
    float** pcm = nullptr;
    int frames = 0;
    while ((frames = vorbis_synthesis_pcmout(&dsp_, &pcm)) > 0) {
        mixdown_->append(out, static_cast<std::size_t>(frames),
                         [pcm](std::size_t i, int c) { return pcm[c][i]; });
        vorbis_synthesis_read(&dsp_, frames);
    }
    return Result::Ok;
}

}  // namespace zva
