#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "hlsfollower.h"
#include "httpclient.h"
#include "icydemuxer.h"
#include "playlistparser.h"
#include "responseheaders.h"
#include "streamevents.h"

namespace zva {

// The download side of a stream: fetches the address, follows playlists (entries in order until
// one plays, nested at most 3 deep, at most maxEntries entries in all), strips ICY metadata and
// hands the audio answer's headers, audio bytes and metadata texts to its owner, in stream
// order. Whether an answer is a playlist is judged by the address it finally came from; an HTTP
// Live Streaming playlist among them is a live station, played by an HlsFollower.
//
// Thread contract: run() on the stream's download thread, which also makes every Events call;
// interrupt() from any thread.
class StreamReader : private HttpClient::Handler, private IcyDemuxer::Sink {
public:
    using Events = StreamEvents;

    struct Settings {
        HttpClient::Settings http;
        bool followPlaylists = true;
        int maxEntries = 16;
    };

    StreamReader(Settings settings, Events& events);

    // The whole download. 0 when audio played and the answer then ended cleanly (its final
    // chunk, or the close of an answer without a length); otherwise the ZVA_ERROR_* code of the
    // last failure, also of an answer that played and was then cut off.
    int run(const std::string& url);

    // After run() played: fetches the address whose answer played once more, with the same
    // request, and hands its answer to the same Events (begin() again, then its audio).
    Rejoin resume();

    void interrupt() { http_.interrupt(); }

    // Whether the stream that plays is a live playlist's: it goes on after a failure where it
    // stopped, and tells its discontinuities itself.
    bool followsPlaylist() const { return hls_ != nullptr; }

private:
    enum class Mode { Undecided, Audio, Playlist };

    void reset(const std::string& url);
    int attempt(const std::string& url, int depth);
    int playPlaylist(int depth);
    int fetchError(HttpClient::Result result) const;

    bool header(std::string_view line) override;
    bool body(const std::uint8_t* data, std::size_t size) override;
    std::chrono::milliseconds gatherTime() const override;
    void audio(const std::uint8_t* data, std::size_t size) override;
    void metadata(std::string_view text) override;

    Settings settings_;
    Events& events_;
    HttpClient http_;
    // Per attempt, download thread only:
    std::string url_;  // the attempt's address, before redirects
    bool resuming_ = false;
    ResponseHeaders headers_;
    Mode mode_ = Mode::Undecided;
    int refusal_ = 0;  // the ZVA_ERROR_* code of a refused answer
    std::unique_ptr<IcyDemuxer> demuxer_;
    std::string playlist_;  // a playlist's text
    bool stopped_ = false;  // the owner refused more audio
    int entriesTried_ = 0;  // over the whole download
    std::string audioUrl_;  // the address of the answer that played: after the playlist step
    std::unique_ptr<HlsFollower> hls_;  // the live playlist that plays
};

}  // namespace zva
