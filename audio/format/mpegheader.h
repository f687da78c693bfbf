#pragma once

#include <cstddef>
#include <optional>

namespace zva {

// One MPEG audio frame header (MPEG 1, 2 and 2.5, layers I–III), parsed from its first four
// bytes. A value type: immutable once parsed, safe to copy between threads.
class MpegHeader {
public:
    static constexpr size_t kSize = 4;  // bytes needed to parse a header

    // The header at `bytes` (at least kSize readable), or nothing when the bytes do not hold a
    // valid one: no 11-bit sync, a reserved version, layer, rate or emphasis, or a free or
    // forbidden bitrate (whose frames have no length the header states).
    static std::optional<MpegHeader> parse(const unsigned char* bytes);

    // Whole frame length in bytes, header included.
    size_t frameLength() const { return frameLength_; }
    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }
    int bitrate() const { return bitrate_; }  // bits per second
    // Samples per channel that the frame decodes to.
    int samples() const { return samples_; }

private:
    MpegHeader() = default;

    size_t frameLength_ = 0;
    int sampleRate_ = 0;
    int channels_ = 0;
    int bitrate_ = 0;
    int samples_ = 0;
};

}  // namespace zva
