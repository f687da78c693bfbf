// The playlist parser on hostile playlists: any split gives the same addresses, and every
// address it gives is an http or https one.
#include <strings.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/playlistparser.h"

namespace {

std::vector<std::string> parse(const std::uint8_t* data, std::size_t size, std::size_t cut) {
    zva::PlaylistParser parser;
    if (!parser.feed(data, cut) || !parser.feed(data + cut, size - cut)) {
        return {"refused"};
    }
    return parser.finish();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::size_t cut = (size - 1) * data[0] / 255;
    const auto whole = parse(data + 1, size - 1, size - 1);
    if (parse(data + 1, size - 1, cut) != whole) {
        std::abort();
    }
    for (const auto& url : whole) {
        if (url != "refused" && strncasecmp(url.c_str(), "http://", 7) != 0 &&
            strncasecmp(url.c_str(), "https://", 8) != 0) {
            std::abort();
        }
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    zva::PlaylistParser::looksLikePlaylist(text.substr(0, size / 3), text.substr(size / 3), text);
    return 0;
}
