// Fuzzes the Ogg add-on's decoding path: the page reader, chain following and the three codecs
// behind it. The first byte picks a mode and the size of the pieces the input is fed in. In raw
// mode the rest goes in as it is; in paged mode the harness cuts it into packets and wraps them
// in valid pages, a new chain starting where a packet's length word asks for one, so that the
// codecs see every packet.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fixtures.h"
#include "oggdecoder.h"
#include "oggpackets.h"

namespace {

void ignore(const char*) {}

// Reads every sample, so that a count beyond a codec's buffer shows up as a bad read.
void consume(void* user, const float* samples, size_t frames, int rate, int channels) {
    auto& sum = *static_cast<float*>(user);
    if (rate <= 0 || channels < 1 || channels > 2) {
        __builtin_trap();
    }
    for (size_t i = 0; i < frames * static_cast<size_t>(channels); ++i) {
        sum += samples[i];
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t control = data[0];
    const size_t piece = 1 + (control >> 1) * 37;
    const std::vector<uint8_t> input = (control & 1) != 0
                                           ? zvtest::paged(data + 1, size - 1)
                                           : std::vector<uint8_t>(data + 1, data + size);
    zva::OggDecoder decoder(ignore);
    float sum = 0;
    zvtest::feedPieces(input, piece, [&](const uint8_t* bytes, size_t n) {
        decoder.feed(bytes, n, consume, &sum);
    });
    return 0;
}
