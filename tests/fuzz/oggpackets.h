// Valid Ogg pages made from fuzz input, so that what lies behind the page layer sees packets.
#pragma once

#include <ogg/ogg.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zvtest {

inline void append(std::vector<std::uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// Packets behind a big-endian length word each (its top bit: begin a new chain).
inline std::vector<std::uint8_t> paged(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> out;
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
        const std::size_t take = (word & 0x7FFF) < size ? (word & 0x7FFF) : size;
        ogg_packet packet{const_cast<std::uint8_t*>(data),
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

}  // namespace zvtest
