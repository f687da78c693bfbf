#pragma once

// Builders of HLS segment content for tests: ID3v2 tags and MPEG transport streams.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace zvtest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// `value` in `count` bytes, big-endian, 7 bits a byte when `syncsafe`.
inline Bytes id3Size(std::size_t value, int count, bool syncsafe) {
    Bytes out;
    const int shift = syncsafe ? 7 : 8;
    for (int i = count - 1; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>(value >> (i * shift) & (syncsafe ? 0x7F : 0xFF)));
    }
    return out;
}

// One frame of a `version` tag: its id, size, flags (v2.3 and v2.4: `flags` is the second byte),
// then `content` (for text frames the encoding byte and the text).
inline Bytes id3Frame(int version, std::string_view id, const Bytes& content,
                      std::uint8_t flags = 0) {
    Bytes out = bytesOf(id);
    const Bytes size = id3Size(content.size(), version == 2 ? 3 : 4, version == 4);
    out.insert(out.end(), size.begin(), size.end());
    if (version > 2) {
        out.insert(out.end(), {0, flags});
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

// A text frame's content: the encoding byte, then the text bytes as given.
inline Bytes id3Text(std::uint8_t encoding, const Bytes& text) {
    Bytes out{encoding};
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

// A tag of `version` around `body` (frames, an extended header, padding), as it stands.
inline Bytes id3Tag(int version, const Bytes& body, std::uint8_t flags = 0) {
    Bytes out = {'I', 'D', '3', static_cast<std::uint8_t>(version), 0, flags};
    const Bytes size = id3Size(body.size(), 4, true);
    out.insert(out.end(), size.begin(), size.end());
    out.insert(out.end(), body.begin(), body.end());
    return out;
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

// A PES packet with the optional header and a PTS when given; its length is stated when it fits.
inline Bytes pesPacket(std::uint8_t streamId, std::optional<std::uint64_t> pts, const Bytes& data) {
    const std::size_t headerData = pts ? 5 : 0;
    const std::size_t length = 3 + headerData + data.size();
    const std::size_t stated = length <= 0xFFFF ? length : 0;
    Bytes out = {0,
                 0,
                 1,
                 streamId,
                 static_cast<std::uint8_t>(stated >> 8),
                 static_cast<std::uint8_t>(stated),
                 0x80,
                 static_cast<std::uint8_t>(pts ? 0x80 : 0),
                 static_cast<std::uint8_t>(headerData)};
    if (pts) {
        out.insert(out.end(), {static_cast<std::uint8_t>(0x21 | (*pts >> 29 & 0x0E)),
                               static_cast<std::uint8_t>(*pts >> 22),
                               static_cast<std::uint8_t>(0x01 | (*pts >> 14 & 0xFE)),
                               static_cast<std::uint8_t>(*pts >> 7),
                               static_cast<std::uint8_t>(0x01 | (*pts << 1 & 0xFE))});
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// 188-byte packets carrying `payload` on `pid`: the first marks the unit's start, the last is
// filled up by an adaptation field. `counter` is the PID's continuity counter.
inline Bytes tsPackets(int pid, const Bytes& payload, int& counter) {
    Bytes out;
    std::size_t at = 0;
    do {
        const std::size_t n = std::min<std::size_t>(184, payload.size() - at);
        const bool stuffed = n < 184;
        out.insert(out.end(),
                   {0x47, static_cast<std::uint8_t>((at == 0 ? 0x40 : 0) | pid >> 8),
                    static_cast<std::uint8_t>(pid),
                    static_cast<std::uint8_t>((stuffed ? 0x30 : 0x10) | (counter++ & 0x0F))});
        if (stuffed) {
            const std::size_t field = 183 - n;  // the adaptation field's length byte excluded
            out.push_back(static_cast<std::uint8_t>(field));
            if (field > 0) {
                out.push_back(0);
                out.insert(out.end(), field - 1, 0xFF);
            }
        }
        out.insert(out.end(), payload.begin() + static_cast<long>(at),
                   payload.begin() + static_cast<long>(at + n));
        at += n;
    } while (at < payload.size());
    return out;
}

// The PAT naming program 1's PMT on `pmtPid`, and that PMT with the streams given as
// (stream type, PID) pairs; the CRCs are left zero, which readers of one program ignore.
inline Bytes programTables(int pmtPid, const std::vector<std::pair<std::uint8_t, int>>& streams) {
    const auto section = [](std::uint8_t table, const Bytes& body) {
        const std::size_t length = 5 + body.size() + 4;
        Bytes out = {0,
                     table,
                     static_cast<std::uint8_t>(0xB0 | length >> 8),
                     static_cast<std::uint8_t>(length),
                     0,
                     1,
                     0xC1,
                     0,
                     0};
        out.insert(out.end(), body.begin(), body.end());
        out.insert(out.end(), 4, 0);
        return out;
    };
    Bytes pmt = {0xE1, 0x00, 0xF0, 0x00};  // PCR PID 0x100, no program descriptors
    for (const auto& [type, pid] : streams) {
        pmt.insert(pmt.end(), {type, static_cast<std::uint8_t>(0xE0 | pid >> 8),
                               static_cast<std::uint8_t>(pid), 0xF0, 0x00});
    }
    int patCounter = 0;
    int pmtCounter = 0;
    Bytes out = tsPackets(0,
                          section(0x00, {0, 1, static_cast<std::uint8_t>(0xE0 | pmtPid >> 8),
                                         static_cast<std::uint8_t>(pmtPid)}),
                          patCounter);
    const Bytes pmtPackets = tsPackets(pmtPid, section(0x02, pmt), pmtCounter);
    out.insert(out.end(), pmtPackets.begin(), pmtPackets.end());
    return out;
}

}  // namespace zvtest
