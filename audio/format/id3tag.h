#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zva {

// ID3v2 tags (versions 2.2, 2.3 and 2.4) as HLS puts them in front of packed audio segments and
// into timed metadata streams: their length, and the title they carry. Neither reads past
// `size`, whatever the tag claims.
//
// Thread contract: pure functions; any thread.

// The whole size of the ID3v2 tag that starts at `data` (header, body and a v2.4 footer), or 0
// when fewer than 10 bytes are given or they are not an ID3v2 header ("ID3", version 2..4,
// revision != 0xFF, syncsafe size bytes < 0x80).
std::size_t id3TagSize(const std::uint8_t* data, std::size_t size);

// The title a complete tag carries, as UTF-8: "ARTIST - TITLE" from TPE1 and TIT2 (v2.2: TP1,
// TT2), or whichever of the two is present and non-empty; empty when neither is. A frame's text
// is its first value, without blanks and NULs at either end; compressed and encrypted frames are
// skipped.
std::string id3Title(const std::uint8_t* data, std::size_t size);

}  // namespace zva
