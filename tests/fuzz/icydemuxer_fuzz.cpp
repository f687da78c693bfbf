// The ICY demuxer on hostile streams: the first two bytes choose the interval, the third where
// the input is split; both halves fed must give what the whole gives.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/icydemuxer.h"

namespace {

struct Collector : zva::IcyDemuxer::Sink {
    std::string out;
    void audio(const std::uint8_t* data, std::size_t size) override {
        out.append(reinterpret_cast<const char*>(data), size);
    }
    void metadata(std::string_view text) override {
        if (text.empty() || text.size() > 4080) {
            std::abort();
        }
        out += '\n';
        out += text;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::size_t metaInt = (std::size_t{data[0]} << 8 | data[1]) % 4096;
    const std::size_t cut = (size - 3) * data[2] / 255;
    data += 3;
    size -= 3;
    Collector whole;
    zva::IcyDemuxer a(metaInt);
    a.feed(data, size, whole);
    Collector split;
    zva::IcyDemuxer b(metaInt);
    b.feed(data, cut, split);
    b.feed(data + cut, size - cut, split);
    if (whole.out != split.out) {
        std::abort();
    }
    return 0;
}
