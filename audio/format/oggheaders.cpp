#include "oggheaders.h"

#include <cstring>
#include <string_view>

#include "text.h"

namespace zva {
namespace {

std::uint32_t littleEndian32(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

bool startsWith(const unsigned char* packet, std::size_t size, std::string_view magic) {
    return size >= magic.size() && std::memcmp(packet, magic.data(), magic.size()) == 0;
}

// Vorbis's identification header: type 1, "vorbis", version 0, then the stream's format.
OggStreamHeader vorbisHeader(const unsigned char* p, std::size_t size) {
    constexpr std::size_t kSize = 30;
    if (size < kSize || littleEndian32(p + 7) != 0 || p[11] == 0 || littleEndian32(p + 12) == 0) {
        return {};
    }
    const auto nominal = static_cast<std::int32_t>(littleEndian32(p + 20));
    return {OggCodec::Vorbis, 3,
            static_cast<int>(std::min<std::uint32_t>(littleEndian32(p + 12), 1'000'000)), p[11],
            nominal > 0 ? nominal : 0};
}

// "OpusHead": version 0.x, the channel count; the sound always decodes at 48 kHz.
OggStreamHeader opusHeader(const unsigned char* p, std::size_t size) {
    constexpr std::size_t kSize = 19;
    if (size < kSize || (p[8] & 0xF0) != 0 || p[9] == 0) {
        return {};
    }
    return {OggCodec::Opus, 2, 48000, p[9], 0};
}

// 0x7F "FLAC", mapping version 1.x, the count of header packets that follow, then "fLaC" and
// the STREAMINFO block.
OggStreamHeader flacHeader(const unsigned char* p, std::size_t size) {
    constexpr std::size_t kSize = 51;
    if (size < kSize || p[5] != 1 || std::memcmp(p + 9, "fLaC", 4) != 0 || (p[13] & 0x7F) != 0) {
        return {};
    }
    const unsigned char* info = p + 17;
    const int rate = (info[10] << 12) | (info[11] << 4) | (info[12] >> 4);
    if (rate == 0) {
        return {};
    }
    const int following = (p[7] << 8) | p[8];
    return {OggCodec::Flac, following == 0 ? 0 : 1 + following, rate, ((info[12] >> 1) & 7) + 1, 0};
}

// Where the Vorbis-comment body (vendor length first) begins in a comment packet, or 0 when
// the packet is not the codec's comment packet.
std::size_t commentBody(OggCodec codec, const unsigned char* packet, std::size_t size) {
    switch (codec) {
        case OggCodec::Vorbis:
            return startsWith(packet, size, "\x03vorbis") ? 7 : 0;
        case OggCodec::Opus:
            return startsWith(packet, size, "OpusTags") ? 8 : 0;
        case OggCodec::Flac:
            return size >= 4 && (packet[0] & 0x7F) == 4 ? 4 : 0;
        case OggCodec::Unknown:
            break;
    }
    return 0;
}

}  // namespace

OggStreamHeader readOggStreamHeader(const unsigned char* packet, std::size_t size) {
    if (packet == nullptr) {
        return {};
    }
    if (startsWith(packet, size, "\x01vorbis")) {
        return vorbisHeader(packet, size);
    }
    if (startsWith(packet, size, "OpusHead")) {
        return opusHeader(packet, size);
    }
    if (startsWith(packet, size,
                   "\x7F"
                   "FLAC")) {
        return flacHeader(packet, size);
    }
    return {};
}

bool isOggCommentPacket(OggCodec codec, const unsigned char* packet, std::size_t size) {
    return packet != nullptr && commentBody(codec, packet, size) != 0;
}

std::optional<std::string> oggCommentTitle(OggCodec codec, const unsigned char* packet,
                                           std::size_t size) {
    std::size_t at = packet != nullptr ? commentBody(codec, packet, size) : 0;
    if (at == 0) {
        return std::nullopt;
    }
    // Each length is checked against what is left, so a hostile count or length ends the walk.
    const auto field = [&](std::string_view& out) {
        if (size - at < 4 || littleEndian32(packet + at) > size - at - 4) {
            return false;
        }
        const std::size_t length = littleEndian32(packet + at);
        out = std::string_view(reinterpret_cast<const char*>(packet + at + 4), length);
        at += 4 + length;
        return true;
    };
    std::string_view vendor;
    if (!field(vendor) || size - at < 4) {
        return std::nullopt;
    }
    std::uint32_t count = littleEndian32(packet + at);
    at += 4;
    std::optional<std::string_view> artist;
    std::optional<std::string_view> title;
    std::string_view comment;
    while (count-- > 0 && field(comment)) {
        const std::size_t equals = comment.find('=');
        if (equals == std::string_view::npos || equals + 1 == comment.size()) {
            continue;
        }
        const std::string_view name = comment.substr(0, equals);
        const std::string_view value = comment.substr(equals + 1);
        if (!artist && equalsNoCase(name, "ARTIST")) {
            artist = value;
        } else if (!title && equalsNoCase(name, "TITLE")) {
            title = value;
        }
    }
    if (artist && title) {
        return std::string(*artist) + " - " + std::string(*title);
    }
    if (artist || title) {
        return std::string(artist ? *artist : *title);
    }
    return std::nullopt;
}

bool isFlacFrame(const unsigned char* packet, std::size_t size) {
    return packet != nullptr && size >= 2 && packet[0] == 0xFF && (packet[1] & 0xFE) == 0xF8;
}

}  // namespace zva
