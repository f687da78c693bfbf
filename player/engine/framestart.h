// Where a recording may begin: the first whole frame header of the stream's format in a run of
// received bytes, so that a file starts with a header a player can sync on.
//
// Thread contract: pure functions; safe from any thread.
#pragma once

#include <cstddef>

namespace zvengine {

// The frame start a recording waits for: MPEG-1 Layer III without CRC (0xFF 0xFB), an ADTS
// header of AAC (0xFF then 0xF1 or 0xF9), or an Ogg page that begins a packet ("OggS", version
// 0, not a continued packet).
enum class FrameStart { Mp3, Adts, OggPage };

// The length of the Ogg page at `bytes` (its header and segment table read, its checksum not),
// or 0 when there is no page header there or it is cut off before its segment table ends.
std::size_t oggPageLength(const unsigned char* bytes, std::size_t size);

// The offset of the first frame header in `bytes` whose frame length leads to the next header,
// where the bytes reach that far: two bytes that merely look like a header inside a frame's
// data do not count. `size` when there is none.
std::size_t firstWholeFrame(FrameStart start, const unsigned char* bytes, std::size_t size);

struct FoundFrame {
    std::size_t offset;  // `size` when there is none
    FrameStart format;
};

// The first whole frame of any format, for bytes of a stream whose type is not known yet.
FoundFrame firstWholeFrameOfEither(const unsigned char* bytes, std::size_t size);

}  // namespace zvengine
