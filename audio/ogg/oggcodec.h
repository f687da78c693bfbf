#pragma once

#include <ogg/ogg.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "oggheaders.h"

namespace zva {

// Decodes the packets of one chain (one logical Ogg stream) of one codec, its header packets
// included, into float frames of one or two channels.
//
// Thread contract: one object is used by one thread at a time.
class OggCodecDecoder {
public:
    enum class Result {
        Ok,           // taken; a damaged audio packet is skipped and counts as taken
        Unusable,     // the chain's headers are malformed or not supported: it gives no sound
        OutOfMemory,  // the codec library could not be set up
    };

    virtual ~OggCodecDecoder() = default;

    // Takes the chain's next packet, the identification packet first; decoded frames are
    // appended to `out`, interleaved in channels().
    virtual Result packet(const ogg_packet& packet, std::vector<float>& out) = 0;

    // Valid once the identification packet was taken.
    virtual int rate() const = 0;
    virtual int channels() const = 0;  // 1 or 2
    // The granule position of the chain's first output frame (the frames the codec drops at
    // the start, as Opus's pre-skip).
    virtual std::int64_t granuleOffset() const { return 0; }
};

// A decoder for chains of `codec` (not Unknown); null when out of memory.
std::unique_ptr<OggCodecDecoder> makeOggCodecDecoder(OggCodec codec);

}  // namespace zva
