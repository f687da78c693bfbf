#include "adtsheader.h"

namespace zva {

namespace {

// Sampling frequency indices 0..11 stand for 96000..8000 Hz; 12 and up are reserved or mean an
// explicit rate, which ADTS cannot carry.
constexpr int kFrequencyIndices = 12;

}  // namespace

std::optional<AdtsHeader> AdtsHeader::parse(const unsigned char* bytes) {
    if (bytes[0] != 0xFF || (bytes[1] & 0xF0) != 0xF0 || (bytes[1] & 0x06) != 0) {
        return std::nullopt;
    }
    AdtsHeader header;
    header.mpeg2_ = (bytes[1] & 0x08) != 0;
    header.protectionAbsent_ = (bytes[1] & 0x01) != 0;
    header.profile_ = bytes[2] >> 6;
    header.frequencyIndex_ = (bytes[2] >> 2) & 0x0F;
    header.channelConfiguration_ = ((bytes[2] & 0x01) << 2) | (bytes[3] >> 6);
    header.frameLength_ = (static_cast<size_t>(bytes[3] & 0x03) << 11) |
                          (static_cast<size_t>(bytes[4]) << 3) | (bytes[5] >> 5);
    // A CRC adds two bytes to the header; a frame needs at least one payload byte after it.
    const size_t headerLength = header.protectionAbsent_ ? kSize : kSize + 2;
    if (header.frequencyIndex_ >= kFrequencyIndices || header.frameLength_ <= headerLength) {
        return std::nullopt;
    }
    return header;
}

bool AdtsHeader::sameStream(const AdtsHeader& other) const {
    return mpeg2_ == other.mpeg2_ && protectionAbsent_ == other.protectionAbsent_ &&
           profile_ == other.profile_ && frequencyIndex_ == other.frequencyIndex_ &&
           channelConfiguration_ == other.channelConfiguration_;
}

}  // namespace zva
