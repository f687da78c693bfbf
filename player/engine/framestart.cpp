#include "framestart.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace zvengine {
namespace {

constexpr std::size_t kOggHeader = 27;

bool isOggPacketStart(const unsigned char* bytes, std::size_t size, std::size_t at) {
    return at + kOggHeader <= size && std::memcmp(bytes + at, "OggS", 4) == 0 &&
           bytes[at + 4] == 0 && (bytes[at + 5] & 0x01u) == 0;
}

// A page that begins a packet, followed by the next page's capture pattern where the bytes
// reach that far.
bool isWholeOggPage(const unsigned char* bytes, std::size_t size, std::size_t at) {
    const std::size_t length = oggPageLength(bytes + at, size - at);
    if (length == 0) {
        return bytes[at + 26] + kOggHeader > size - at;
    }
    const std::size_t next = at + length;
    return next + 4 > size || std::memcmp(bytes + next, "OggS", 4) == 0;
}

bool isFrameStart(FrameStart start, unsigned char first, unsigned char second) {
    if (first != 0xFF) {
        return false;
    }
    return start == FrameStart::Mp3 ? second == 0xFB : (second == 0xF1 || second == 0xF9);
}

// The length of the frame whose header starts at `at`, or 0 when the bytes there cannot be a
// frame header (an MP3 header needs its third byte to tell; ADTS, its sixth).
std::size_t frameLength(FrameStart start, const unsigned char* bytes, std::size_t at) {
    if (start == FrameStart::Adts) {
        const std::size_t length =
            ((bytes[at + 3] & 0x03u) << 11) | (bytes[at + 4] << 3) | (bytes[at + 5] >> 5);
        return length < 7 ? 0 : length;
    }
    // MPEG-1 Layer III: 144 bytes per kbit/s over the sampling rate in kHz, plus the padding byte.
    static constexpr std::uint32_t kKbps[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                                112, 128, 160, 192, 224, 256, 320, 0};
    static constexpr std::uint32_t kHz[4] = {44100, 48000, 32000, 0};
    const std::uint32_t kbps = kKbps[bytes[at + 2] >> 4];
    const std::uint32_t rate = kHz[(bytes[at + 2] >> 2) & 0x03u];
    if (kbps == 0 || rate == 0) {
        return 0;
    }
    return 144000 * kbps / rate + ((bytes[at + 2] >> 1) & 0x01u);
}

bool isWholeFrame(FrameStart start, const unsigned char* bytes, std::size_t size, std::size_t at) {
    const std::size_t headerEnd = start == FrameStart::Adts ? at + 6 : at + 2;
    if (headerEnd >= size) {
        return true;
    }
    const std::size_t length = frameLength(start, bytes, at);
    if (length == 0) {
        return false;
    }
    const std::size_t next = at + length;
    return next + 1 >= size || isFrameStart(start, bytes[next], bytes[next + 1]);
}

}  // namespace

std::size_t oggPageLength(const unsigned char* bytes, std::size_t size) {
    if (size < kOggHeader || std::memcmp(bytes, "OggS", 4) != 0) {
        return 0;
    }
    const std::size_t segments = bytes[26];
    if (size < kOggHeader + segments) {
        return 0;
    }
    std::size_t length = kOggHeader + segments;
    for (std::size_t i = 0; i < segments; ++i) {
        length += bytes[kOggHeader + i];
    }
    return length;
}

std::size_t firstWholeFrame(FrameStart start, const unsigned char* bytes, std::size_t size) {
    if (start == FrameStart::OggPage) {
        for (std::size_t i = 0; i < size; ++i) {
            if (isOggPacketStart(bytes, size, i) && isWholeOggPage(bytes, size, i)) {
                return i;
            }
        }
        return size;
    }
    for (std::size_t i = 0; i + 1 < size; ++i) {
        if (isFrameStart(start, bytes[i], bytes[i + 1]) && isWholeFrame(start, bytes, size, i)) {
            return i;
        }
    }
    return size;
}

FoundFrame firstWholeFrameOfEither(const unsigned char* bytes, std::size_t size) {
    FoundFrame first{size, FrameStart::Mp3};
    for (const FrameStart start : {FrameStart::OggPage, FrameStart::Mp3, FrameStart::Adts}) {
        const std::size_t at = firstWholeFrame(start, bytes, size);
        if (at < first.offset) {
            first = {at, start};
        }
    }
    return first;
}

}  // namespace zvengine
