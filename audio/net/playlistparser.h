#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zva {

// Reads a .pls or .m3u playlist fed in pieces and yields the HTTP(S) addresses it names, in
// playlist order (.pls by entry number). Other entries (local paths, other schemes) are left
// out, so a hostile playlist cannot point the player at local files. Pure state machine.
//
// Thread contract: one object is used by one thread at a time.
class PlaylistParser {
public:
    static constexpr std::size_t kMaxSize = 64 * 1024;

    // Content that looks like a playlist: by content type, address ending or first bytes.
    static bool looksLikePlaylist(std::string_view contentType, std::string_view url,
                                  std::string_view head);

    // False once the playlist has grown past kMaxSize; it is then refused.
    bool feed(const std::uint8_t* data, std::size_t size);
    // Ends the input; the addresses found.
    std::vector<std::string> finish();

private:
    enum class Kind { Unknown, Pls, M3u };

    struct PlsEntry {
        long number;
        std::string url;
    };

    void line(std::string_view text);

    std::size_t size_ = 0;
    Kind kind_ = Kind::Unknown;
    bool inPlaylistSection_ = false;
    std::string pending_;  // the current, unfinished line
    std::vector<PlsEntry> pls_;
    std::vector<std::string> m3u_;
};

}  // namespace zva
