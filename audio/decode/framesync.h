#pragma once

#include <cstddef>
#include <cstdint>

namespace zva {

// Finds where MPEG audio (MP3: MPEG 1, 2, 2.5, layers I–III) or AAC in ADTS frames starts in a
// stream's first bytes, after any garbage: a frame header counts only when a second header of
// the same kind follows exactly one frame later. Pure code.
//
// Thread contract: stateless; any thread.
class FrameSync {
public:
    enum class Format { None, Mpeg, Adts };

    struct Result {
        Format format = Format::None;
        std::size_t offset = 0;  // first byte of the first frame
        int sampleRate = 0;      // as the header states it (HE-AAC decodes at twice an ADTS rate)
        int channels = 0;
        int bitrate = 0;  // bits per second of the first frames
    };

    // Format::None when no confirmed frame start lies within `size` bytes.
    static Result find(const std::uint8_t* data, std::size_t size);

    // One header at `data` (at least 7 bytes): its frame length in bytes, 0 when not a header.
    static std::size_t mpegFrame(const std::uint8_t* data, Result* info);
    static std::size_t adtsFrame(const std::uint8_t* data, Result* info);
};

}  // namespace zva
