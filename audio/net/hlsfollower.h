#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hlsplaylist.h"
#include "hlssegment.h"
#include "httpclient.h"
#include "responseheaders.h"
#include "streamevents.h"

namespace zva {

// Plays an HTTP Live Streaming station. Of a master playlist it takes the audio variant with
// the highest bandwidth whose segments it can read (no fragmented MP4, no encryption). It
// follows the media playlist as the station adds segments, reloading it after the target
// duration when it changed and after half of it when it did not, and fetches each segment once,
// in media-sequence order, from about three target durations behind the live edge. The
// segments' audio frames and titles reach the Events as one stream: the first media playlist's
// answer as the header block (with an "icy-br" line from the variant's stated bandwidth), then
// frames and titles in order, a title only when it differs from the last one.
//
// A failed fetch ends run() or resume() with an error and keeps the follower's place: resume()
// reloads the playlist and goes on where it stopped, with the rest of a segment that was cut
// off. A segment whose fetch fails twice, or that left the playlist meanwhile, is skipped, and
// the next one starts as a discontinuity. A playlist that adds no segment for three target
// durations has stopped (ZVA_ERROR_TIMEOUT).
//
// Limits against a hostile station: playlists are at most HlsPlaylistParser::kMaxSize, a master
// playlist's variants are not masters themselves, at most `maxVariants` variants are tried, and a
// segment larger than its duration can hold at 640 kbit/s (and a quarter for the container)
// ends the stream (ZVA_ERROR_FILEFORM), as does a segment the reader cannot read.
//
// Thread contract: the stream's download thread; the HttpClient's interrupt() ends it promptly.
class HlsFollower : private HttpClient::Handler, private SegmentReader::Sink {
public:
    HlsFollower(HttpClient& http, StreamEvents& events, int maxVariants);

    // Plays the station whose first playlist (a master or a media playlist) came with
    // `headers` from `url`. 0 when a playlist with an end was played out; else the ZVA_ERROR_*
    // code of the failure that ended it, also after audio played.
    int run(HlsPlaylist playlist, const std::string& url, const ResponseHeaders& headers);
    // After run() or resume() failed: reloads the media playlist and follows it on.
    Rejoin resume();

private:
    // A playlist fetched whole.
    struct Load {
        int error = 0;  // a ZVA_ERROR_* code
        int status = 0;
        std::optional<HlsPlaylist> playlist;
        ResponseHeaders headers;
    };

    Load load(const std::string& url);
    int playVariants(const HlsPlaylist& master);
    int start(HlsPlaylist playlist, const std::string& url, const ResponseHeaders& headers,
              long bandwidth);
    // Plays the segments not yet played, then reloads and waits in turn until a failure or the
    // playlist's end.
    int follow(HlsPlaylist playlist);
    int playSegment(const HlsPlaylist::Segment& segment);
    // The next audio starts afresh (a discontinuity).
    void breakStream();
    // Whether a failure (a ZVA_ERROR_* code) is worth another try.
    bool isFinal(int error, int status) const;

    bool header(std::string_view line) override;
    bool body(const std::uint8_t* data, std::size_t size) override;
    std::chrono::milliseconds gatherTime() const override;
    void audio(const std::uint8_t* data, std::size_t size) override;
    void title(const std::string& title) override;

    HttpClient& http_;
    StreamEvents& events_;
    const int maxVariants_;
    std::string mediaUrl_;
    std::chrono::steady_clock::duration targetDuration_{};
    std::int64_t nextSequence_ = 0;                     // the first segment not yet played
    std::chrono::steady_clock::time_point loadedAt_;    // when the last load started
    std::chrono::steady_clock::time_point advancedAt_;  // when a load last brought a segment
    std::int64_t newest_ = -1;                          // the last load's newest segment
    bool played_ = false;    // audio went on since run() or resume() began
    bool anyAudio_ = false;  // audio went on at all
    bool broken_ = false;    // the next audio does not continue the last
    bool stopped_ = false;   // the Events refused more audio
    std::string lastTitle_;
    SegmentReader reader_;
    // The segment being fetched:
    std::int64_t segment_ = -1;  // its sequence number; -1: none
    int segmentFailures_ = 0;
    std::uint64_t segmentDone_ = 0;  // its bytes read so far, over every try
    std::uint64_t segmentAt_ = 0;    // the position in it of the try under way
    std::uint64_t segmentLimit_ = 0;
    bool segmentUnreadable_ = false;
    ResponseHeaders segmentHeaders_;
};

}  // namespace zva
