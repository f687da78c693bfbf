// The HLS segment reader on hostile segments. The first byte chooses whether the rest is read
// as it is (packed audio, or a transport stream the fuzzer writes) or carried in transport
// packets of an audio and an ID3 stream after program tables; the next two seed the cuts into
// segments, feeds and discontinuities. Fed in those pieces, the segments must give what each
// segment fed whole gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "hlsbuilders.h"
#include "hlssegment.h"

namespace {

using zvtest::operator+=;

struct Collector : zva::SegmentReader::Sink {
    std::string out;
    void audio(const std::uint8_t* data, std::size_t size) override {
        out.append(reinterpret_cast<const char*>(data), size);
    }
    void title(const std::string& title) override {
        if (title.empty()) {
            std::abort();
        }
        out += "\ntitle:" + title + '\n';
    }
};

// Packets of the fuzzer's bytes: each chunk led by a byte that picks the stream and its length.
zvtest::Bytes packetised(const std::uint8_t* data, std::size_t size) {
    zvtest::Bytes ts = zvtest::programTables(0x1000, {{0x0F, 0x101}, {0x15, 0x102}});
    int counters[2] = {0, 0};
    for (std::size_t at = 0; at < size;) {
        const int stream = data[at] & 1;
        const std::size_t n = std::min<std::size_t>(size - at - 1, std::size_t{data[at]} * 4);
        ts += zvtest::tsPackets(0x101 + stream, zvtest::Bytes(data + at + 1, data + at + 1 + n),
                                counters[stream]);
        at += 1 + n;
    }
    return ts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const zvtest::Bytes input =
        data[0] % 2 == 0 ? zvtest::Bytes(data + 3, data + size) : packetised(data + 3, size - 3);
    unsigned seed = data[1] << 8 | data[2];
    const auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    Collector pieces;
    Collector whole;
    zva::SegmentReader a;
    zva::SegmentReader b;
    for (std::size_t from = 0; from < input.size();) {
        const std::size_t to = std::min(input.size(), from + 1 + next(4000));
        if (next(4) == 0) {
            a.discontinuity();
            b.discontinuity();
        }
        a.beginSegment();
        bool okPieces = true;
        for (std::size_t at = from; at < to;) {
            const std::size_t n = std::min(to - at, std::size_t{1} + next(300));
            okPieces = a.feed(input.data() + at, n, pieces) && okPieces;
            at += n;
        }
        a.endSegment(pieces);
        b.beginSegment();
        const bool okWhole = b.feed(input.data() + from, to - from, whole);
        b.endSegment(whole);
        if (okPieces != okWhole || pieces.out != whole.out) {
            std::abort();
        }
        from = to;
    }
    return 0;
}
