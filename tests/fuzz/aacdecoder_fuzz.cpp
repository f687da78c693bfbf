// Fuzzes the AAC add-on's decoding path: the ADTS probe check, the frame sync and FAAD2 behind
// it. The first byte picks a mode and the size of the pieces the input is fed in. In raw mode
// the rest goes in as it is; in framed mode the harness cuts it into payloads behind valid,
// agreeing ADTS headers, so that the sync locks on and FAAD2 sees every payload.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "aacdecoder.h"
#include "adtssync.h"
#include "fixtures.h"

namespace {

void ignore(const char*) {}

// Reads every sample, so that a sample count beyond FAAD2's buffer shows up as a bad read.
void consume(void* user, const float* samples, size_t frames, int rate, int channels) {
    auto& sum = *static_cast<float*>(user);
    if (rate <= 0 || channels <= 0) {
        __builtin_trap();
    }
    for (size_t i = 0; i < frames * static_cast<size_t>(channels); ++i) {
        sum += samples[i];
    }
}

std::vector<uint8_t> frame(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    if (size < 2) {
        return out;
    }
    const uint8_t profile = data[0] & 3;
    const uint8_t frequency = (data[0] >> 2) % 12;
    const uint8_t channels = data[1] & 7;
    data += 2;
    size -= 2;
    while (size >= 2) {
        const size_t payload = 1 + ((data[0] << 8 | data[1]) % 1536);
        data += 2;
        size -= 2;
        const size_t take = payload < size ? payload : size;
        const size_t length = 7 + take;
        const auto header = zvtest::adtsHeader(length, frequency, channels, profile);
        out.insert(out.end(), header.begin(), header.end());
        out.insert(out.end(), data, data + take);
        data += take;
        size -= take;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t control = data[0];
    const size_t piece = 1 + (control >> 1) * 29;
    std::vector<uint8_t> input;
    if (control & 1) {
        input = frame(data + 1, size - 1);
    } else {
        input.assign(data + 1, data + size);
    }
    zva::AdtsSync::holdsSync(input.data(), input.size());
    auto decoder = zva::AacDecoder::create(ignore);
    if (!decoder) {
        return 0;
    }
    float sum = 0;
    zvtest::feedPieces(input, piece, [&](const uint8_t* bytes, size_t n) {
        decoder->feed(bytes, n, consume, &sum);
    });
    return 0;
}
