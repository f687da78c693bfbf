// The HLS playlist parser on hostile playlists: any split reads the same playlist, every address
// it gives is an http or https one, and it keeps within its limits.
#include <strings.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/hlsplaylist.h"

namespace {

bool isWebAddress(const std::string& url) {
    return strncasecmp(url.c_str(), "http://", 7) == 0 ||
           strncasecmp(url.c_str(), "https://", 8) == 0;
}

// The playlist read from `data` cut in two at `cut`, as text; its addresses are checked.
std::string parse(const std::uint8_t* data, std::size_t size, std::size_t cut) {
    zva::HlsPlaylistParser parser("http://radio.example/live/index.m3u8");
    if (!parser.feed(data, cut) || !parser.feed(data + cut, size - cut)) {
        return "refused";
    }
    const auto playlist = parser.finish();
    if (!playlist) {
        return "none";
    }
    if (playlist->variants.size() > zva::HlsPlaylistParser::kMaxVariants ||
        playlist->segments.size() > zva::HlsPlaylistParser::kMaxSegments) {
        std::abort();
    }
    std::string out = std::to_string(playlist->targetDuration);
    for (const auto& variant : playlist->variants) {
        if (!isWebAddress(variant.url)) {
            std::abort();
        }
        out += variant.url + std::to_string(variant.bandwidth);
    }
    for (const auto& segment : playlist->segments) {
        if (!isWebAddress(segment.url)) {
            std::abort();
        }
        out += segment.url + std::to_string(segment.sequence) + (segment.discontinuity ? "D" : "");
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::size_t cut = (size - 1) * data[0] / 255;
    if (parse(data + 1, size - 1, cut) != parse(data + 1, size - 1, size - 1)) {
        std::abort();
    }
    zva::HlsPlaylistParser::isHls(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
