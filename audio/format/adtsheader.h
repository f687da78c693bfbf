#pragma once

#include <cstddef>
#include <optional>

namespace zva {

// The fixed and variable part of one ADTS frame header, parsed from its first seven bytes.
// A value type: immutable once parsed, safe to copy between threads.
class AdtsHeader {
public:
    static constexpr size_t kSize = 7;         // bytes needed to parse a header
    static constexpr size_t kMaxFrame = 8191;  // the 13-bit frame length field's limit

    // The header at `bytes` (at least kSize readable), or nothing when the bytes do not hold a
    // plausible ADTS header: no 0xFFF sync, a nonzero layer, a sampling frequency index that
    // names no rate, or a frame length too short for the header itself.
    static std::optional<AdtsHeader> parse(const unsigned char* bytes);

    // Whole frame length in bytes, header included.
    size_t frameLength() const { return frameLength_; }
    // The sampling rate the header states (HE-AAC decodes at twice this rate).
    int sampleRate() const;
    // 1 to 7 as defined for AAC; 0 when a program config element in the payload tells.
    int channelConfiguration() const { return channelConfiguration_; }
    // Samples per channel the frame decodes to: 1024 for each of its raw data blocks.
    int samples() const { return 1024 * rawDataBlocks_; }

    // True when `other` could be the next frame of the same stream: the fields that every frame
    // of one ADTS stream repeats unchanged agree.
    bool sameStream(const AdtsHeader& other) const;

private:
    AdtsHeader() = default;

    bool mpeg2_ = false;
    bool protectionAbsent_ = false;
    int profile_ = 0;
    int frequencyIndex_ = 0;
    int channelConfiguration_ = 0;
    size_t frameLength_ = 0;
    int rawDataBlocks_ = 1;
};

}  // namespace zva
