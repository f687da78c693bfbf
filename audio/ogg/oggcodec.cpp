#include "oggcodec.h"

#include <new>

#include "flaccodec.h"
#include "opuscodec.h"
#include "vorbiscodec.h"

namespace zva {

std::unique_ptr<OggCodecDecoder> makeOggCodecDecoder(OggCodec codec) {
    switch (codec) {
        case OggCodec::Vorbis:
            return std::unique_ptr<OggCodecDecoder>(new (std::nothrow) VorbisCodec);
        case OggCodec::Opus:
            return std::unique_ptr<OggCodecDecoder>(new (std::nothrow) OpusCodec);
        case OggCodec::Flac:
            return FlacCodec::create();
        case OggCodec::Unknown:
            break;
    }
    return nullptr;
}

}  // namespace zva
