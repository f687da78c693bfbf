// Fuzzes the Ogg add-on's decoding path: the page reader, chain following and the three codecs
// behind it. The first byte picks a mode and the size of the pieces the input is fed in. In raw
// mode the rest goes in as it is; in paged mode the harness cuts it into packets and wraps them
// in valid pages, a new chain starting where a packet's length word asks for one, so that the
// codecs see every packet.

#include <ogg/ogg.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fixtures.h"
#include "oggdecoder.h"

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

void append(std::vector<uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// Packets behind a big-endian length word each (its top bit: begin a new chain).
std::vector<uint8_t> paged(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    ogg_page page;
    long number = 0;
    while (size >= 2) {
        const unsigned word = data[0] << 8 | data[1];
        data += 2;
        size -= 2;
        if ((word & 0x8000) != 0 && number > 0) {
            while (ogg_stream_flush(&stream, &page) != 0) {
                append(out, page);
            }
            ogg_stream_reset_serialno(&stream, stream.serialno + 1);
            number = 0;
        }
        const size_t take = (word & 0x7FFF) < size ? (word & 0x7FFF) : size;
        ogg_packet packet{const_cast<uint8_t*>(data),
                          static_cast<long>(take),
                          number == 0,
                          0,
                          number * 960,
                          number};
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page) != 0) {
            append(out, page);
        }
        data += take;
        size -= take;
        ++number;
    }
    while (ogg_stream_flush(&stream, &page) != 0) {
        append(out, page);
    }
    ogg_stream_clear(&stream);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t control = data[0];
    const size_t piece = 1 + (control >> 1) * 37;
    const std::vector<uint8_t> input = (control & 1) != 0
                                           ? paged(data + 1, size - 1)
                                           : std::vector<uint8_t>(data + 1, data + size);
    zva::OggDecoder decoder(ignore);
    float sum = 0;
    zvtest::feedPieces(input, piece, [&](const uint8_t* bytes, size_t n) {
        decoder.feed(bytes, n, consume, &sum);
    });
    return 0;
}
