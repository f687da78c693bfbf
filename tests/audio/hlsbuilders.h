#pragma once

// Builders of HLS segment content for tests: ID3v2 tags and MPEG transport streams.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace zvtest {

using Bytes = std::vector<std::uint8_t>;

// Values as bytes (each cut to its low 8 bits), then `tail`.
inline Bytes bytes(std::initializer_list<std::uint64_t> values, const Bytes& tail = {}) {
    Bytes out;
    for (const std::uint64_t v : values) {
        out.push_back(static_cast<std::uint8_t>(v));
    }
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

inline Bytes& operator+=(Bytes& a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes operator+(Bytes a, const Bytes& b) {
    return a += b;
}

inline Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// `v` as four syncsafe bytes (7 bits each).
inline Bytes syncsafe(std::uint64_t v) {
    return bytes({v >> 21 & 0x7F, v >> 14 & 0x7F, v >> 7 & 0x7F, v & 0x7F});
}

// One frame of a `version` tag around `content` (for text frames the encoding byte and the
// text); `flags` is the second flag byte of versions 2.3 and 2.4.
inline Bytes id3Frame(int version, std::string_view id, const Bytes& content,
                      std::uint8_t flags = 0) {
    const std::uint64_t n = content.size();
    const Bytes size = version == 2   ? bytes({n >> 16, n >> 8, n})
                       : version == 3 ? bytes({n >> 24, n >> 16, n >> 8, n})
                                      : syncsafe(n);
    const Bytes header = bytesOf(id) + size + (version == 2 ? Bytes{} : bytes({0, flags}));
    return header + content;
}

// A tag of `version` around `body` (frames, an extended header, padding) as it stands.
inline Bytes id3Tag(int version, const Bytes& body, std::uint8_t flags = 0) {
    return bytes({'I', 'D', '3', static_cast<std::uint64_t>(version), 0, flags},
                 syncsafe(body.size())) +
           body;
}

// Unsynchronised bytes: a 0x00 after every 0xFF.
inline Bytes unsynchronise(const Bytes& in) {
    Bytes out;
    for (const std::uint8_t b : in) {
        out.push_back(b);
        if (b == 0xFF) {
            out.push_back(0);
        }
    }
    return out;
}

// A PES packet with a PTS when given; its length is stated when it fits in 16 bits.
inline Bytes pesPacket(std::uint8_t streamId, std::optional<std::uint64_t> pts, const Bytes& data) {
    const std::uint64_t length = 3 + (pts ? 5 : 0) + data.size();
    const std::uint64_t stated = length <= 0xFFFF ? length : 0;
    const std::uint64_t t = pts.value_or(0);
    const Bytes time = pts ? bytes({0x21 | (t >> 29 & 0x0E), t >> 22, 0x01 | (t >> 14 & 0xFE),
                                    t >> 7, 0x01 | (t << 1 & 0xFE)})
                           : Bytes{};
    return bytes({0, 0, 1, streamId, stated >> 8, stated, 0x80, pts ? 0x80u : 0u, time.size()},
                 time) +
           data;
}

// 188-byte packets carrying `payload` on `pid`: the first marks the unit's start, the last is
// filled up by an adaptation field. `counter` is the PID's continuity counter.
inline Bytes tsPackets(std::uint64_t pid, const Bytes& payload, int& counter) {
    Bytes out;
    std::size_t at = 0;
    do {
        const std::size_t n = std::min<std::size_t>(184, payload.size() - at);
        const std::uint64_t field = 183 - n;  // adaptation field bytes after its length byte
        out += bytes({0x47, (at == 0 ? 0x40 : 0) | pid >> 8, pid,
                      (n < 184 ? 0x30u : 0x10u) | static_cast<std::uint64_t>(counter++ & 0x0F)});
        if (n < 184) {
            out += bytes({field}, field > 0 ? bytes({0}, Bytes(field - 1, 0xFF)) : Bytes{});
        }
        out.insert(out.end(), payload.begin() + static_cast<long>(at),
                   payload.begin() + static_cast<long>(at + n));
        at += n;
    } while (at < payload.size());
    return out;
}

// The PAT naming program 1's PMT on `pmtPid`, and that PMT with the streams given as
// (stream type, PID) pairs; the CRCs are left zero, which readers of one program ignore.
inline Bytes programTables(std::uint64_t pmtPid,
                           const std::vector<std::pair<std::uint64_t, std::uint64_t>>& streams) {
    const auto section = [](std::uint64_t table, const Bytes& body) {
        const std::uint64_t n = 5 + body.size() + 4;
        return bytes({0, table, 0xB0 | n >> 8, n, 0, 1, 0xC1, 0, 0}, body) + Bytes(4, 0);
    };
    Bytes pmt = bytes({0xE1, 0x00, 0xF0, 0x00});  // PCR PID 0x100, no program descriptors
    for (const auto& [type, pid] : streams) {
        pmt += bytes({type, 0xE0 | pid >> 8, pid, 0xF0, 0x00});
    }
    int patCounter = 0;
    int pmtCounter = 0;
    return tsPackets(0, section(0x00, bytes({0, 1, 0xE0 | pmtPid >> 8, pmtPid})), patCounter) +
           tsPackets(pmtPid, section(0x02, pmt), pmtCounter);
}

}  // namespace zvtest
