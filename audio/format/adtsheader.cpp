#include "adtsheader.h"

#include <array>

namespace zva {

namespace {

// The rates of sampling frequency indices 0..12. Indices 13 and 14 are reserved, and 15 stands
// for a rate written out in full, which an ADTS header has no room for.
constexpr std::array<int, 13> kRates = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                        22050, 16000, 12000, 11025, 8000,  7350};

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
    header.rawDataBlocks_ = (bytes[6] & 0x03) + 1;
    // A CRC adds two bytes to the header; a frame needs at least one payload byte after it.
    const size_t headerLength = header.protectionAbsent_ ? kSize : kSize + 2;
    if (header.frequencyIndex_ >= static_cast<int>(kRates.size()) ||
        header.frameLength_ <= headerLength) {
        return std::nullopt;
    }
    return header;
}

int AdtsHeader::sampleRate() const {
    return kRates[static_cast<size_t>(frequencyIndex_)];
}

bool AdtsHeader::sameStream(const AdtsHeader& other) const {
    return mpeg2_ == other.mpeg2_ && protectionAbsent_ == other.protectionAbsent_ &&
           profile_ == other.profile_ && frequencyIndex_ == other.frequencyIndex_ &&
           channelConfiguration_ == other.channelConfiguration_;
}

}  // namespace zva
