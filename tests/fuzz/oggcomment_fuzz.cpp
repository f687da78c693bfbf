// Fuzzes chain header reading: the input is taken as a chain's first packet and as a comment
// packet of each codec.

#include <cstddef>
#include <cstdint>

#include "oggheaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const zva::OggStreamHeader header = zva::readOggStreamHeader(data, size);
    if (header.codec != zva::OggCodec::Unknown &&
        (header.sampleRate <= 0 || header.channels <= 0)) {
        __builtin_trap();
    }
    for (const auto codec : {zva::OggCodec::Vorbis, zva::OggCodec::Opus, zva::OggCodec::Flac}) {
        if (zva::isOggCommentPacket(codec, data, size)) {
            zva::oggCommentTitle(codec, data, size);
        }
    }
    return 0;
}
