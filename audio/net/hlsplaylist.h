#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zva {

// One HTTP Live Streaming playlist as its text tells it: a master playlist's variants, or a
// media playlist's segments with their media sequence numbers.
struct HlsPlaylist {
    struct Variant {
        std::string url;
        long bandwidth = -1;         // bits per second; -1: not stated
        long averageBandwidth = -1;  // -1: not stated
        bool audioOnly = true;       // its codecs name no video (or are not stated)
    };
    struct Segment {
        std::int64_t sequence = 0;
        std::string url;
        double duration = 0;         // seconds, as its #EXTINF states
        bool discontinuity = false;  // it does not continue the segment before it
    };

    bool master = false;
    std::vector<Variant> variants;
    double targetDuration = 0;  // seconds
    bool ended = false;         // #EXT-X-ENDLIST: no segment will be added
    // Segments this library cannot play: an initialisation section (fragmented MP4) or a key.
    bool unsupported = false;
    // The newest kMaxSegments segments, in playlist order.
    std::deque<Segment> segments;
};

// Reads an HLS playlist fed in pieces. Addresses are resolved against the playlist's own;
// those that are not http or https are left out, so a playlist cannot point the player at local
// files. Keeps at most kMaxVariants variants and the newest kMaxSegments segments, so a playlist
// of a million entries costs no more memory than a long live window. A pure state machine.
//
// Thread contract: one object is used by one thread at a time.
class HlsPlaylistParser {
public:
    static constexpr std::size_t kMaxSize = 1024 * 1024;
    static constexpr std::size_t kMaxVariants = 64;
    static constexpr std::size_t kMaxSegments = 4096;

    // Whether a playlist's text is an HLS one: it starts with #EXTM3U and has a target
    // duration or a variant. Any other M3U is an ordinary playlist of addresses.
    static bool isHls(std::string_view text);

    // `url`: the address the playlist came from, after redirects.
    explicit HlsPlaylistParser(std::string url);

    // False once the text has grown past kMaxSize; it is then refused.
    bool feed(const std::uint8_t* data, std::size_t size);
    // Ends the input: the playlist, or nothing when it is not an HLS playlist or a media
    // playlist without a target duration.
    std::optional<HlsPlaylist> finish();

private:
    void line(std::string_view text);
    // A URI line: the variant or the segment its tags announced.
    void uri(std::string_view text);

    std::string base_;
    std::size_t size_ = 0;
    bool started_ = false;  // the first line was read
    bool valid_ = false;    // the first line is #EXTM3U
    std::string pending_;   // the current, unfinished line
    HlsPlaylist playlist_;
    std::int64_t sequence_ = 0;  // the next segment's
    // Announced by tags for the next URI line:
    std::optional<HlsPlaylist::Variant> variant_;
    double duration_ = -1;  // -1: no #EXTINF yet
    bool discontinuity_ = false;
};

}  // namespace zva
