#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace zva {

// What the header packets of a chain (one logical Ogg stream) say: the codec, from the first
// packet, and the song's title, from the comment packet. Pure functions of a packet's bytes, any
// size, any content.
//
// Thread contract: pure; any thread.

enum class OggCodec { Unknown, Vorbis, Opus, Flac };

struct OggStreamHeader {
    OggCodec codec = OggCodec::Unknown;
    // The header packets at the chain's start, this one included: Vorbis 3, Opus 2, FLAC 1 + the
    // count its first packet gives (0 when that count is not given: then every packet up to the
    // first audio frame is a header).
    int headerPackets = 0;
    int sampleRate = 0;  // of the decoded sound (Opus always decodes at 48000)
    int channels = 0;
    int nominalBitrate = 0;  // bits per second; Vorbis only, 0 when the header states none
};

// The chain's first packet (the one on its beginning-of-stream page); codec Unknown when it is
// none of the three or malformed.
OggStreamHeader readOggStreamHeader(const unsigned char* packet, std::size_t size);

// Whether `packet`, a header packet after the first, is the codec's comment packet (Vorbis
// type 3, "OpusTags", a FLAC metadata block of type 4).
bool isOggCommentPacket(OggCodec codec, const unsigned char* packet, std::size_t size);

// The title a comment packet names: "ARTIST - TITLE" when both are there, else whichever is;
// nullopt when neither is (or the packet is malformed). Empty values count as absent. Field names
// match in any letter case; the first of each name counts; several ARTIST or TITLE fields do not
// add up.
std::optional<std::string> oggCommentTitle(OggCodec codec, const unsigned char* packet,
                                           std::size_t size);

// Whether a packet of a FLAC chain is an audio frame (its frame sync) rather than a header.
bool isFlacFrame(const unsigned char* packet, std::size_t size);

}  // namespace zva
