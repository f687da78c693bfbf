// The built-in MP3 decoder's feed and the frame sync search on hostile bytes, fed in pieces
// whose sizes come from the input.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "decode/framesync.h"
#include "decode/mp3decoder.h"

namespace {

void check(void*, const float* samples, std::size_t frames, int rate, int channels) {
    if (rate <= 0 || channels < 1 || channels > 2) {
        std::abort();
    }
    for (std::size_t i = 0; i < frames * static_cast<std::size_t>(channels); ++i) {
        if (std::isnan(samples[i])) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zva::FrameSync::Result sync = zva::FrameSync::find(data, size);
    if (sync.format != zva::FrameSync::Format::None && sync.offset >= size) {
        std::abort();
    }
    const ZVA_PluginInfo& info = zva::mp3DecoderInfo();
    info.probe("audio/mpeg", data, size);
    ZVA_Decoder* decoder = info.open();
    std::size_t at = 0;
    while (at < size) {
        const std::size_t piece = std::min<std::size_t>(size - at, 1 + data[at] * 8);
        if (info.feed(decoder, data + at, piece, check, nullptr) != ZVA_FEED_OK) {
            break;
        }
        at += piece;
    }
    info.close(decoder);
    return 0;
}
