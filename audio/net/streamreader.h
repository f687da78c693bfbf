#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "httpclient.h"
#include "icydemuxer.h"
#include "playlistparser.h"
#include "responseheaders.h"

namespace zva {

// The download side of a stream: fetches the address, follows playlists (entries in order until
// one plays, nested at most 3 deep, at most maxEntries entries in all), strips ICY metadata and
// hands the audio answer's headers, audio bytes and metadata texts to its owner, in stream
// order. Whether an answer is a playlist is judged by the address it finally came from.
//
// Thread contract: run() on the stream's download thread, which also makes every Events call;
// interrupt() from any thread.
class StreamReader : private HttpClient::Handler, private IcyDemuxer::Sink {
public:
    class Events {
    public:
        virtual ~Events() = default;
        // The answer that carries the audio starts; its complete header block. False refuses it.
        virtual bool begin(const ResponseHeaders& headers) = 0;
        // Audio bytes in order. False stops the download (a refused format, or cancelled).
        virtual bool audio(const std::uint8_t* data, std::size_t size) = 0;
        virtual void metadata(std::string_view text) = 0;
        // True once the audio answer was accepted for playing; no other entry is tried then.
        virtual bool playing() const = 0;
        // How long the next audio bytes may wait (HttpClient::Handler::gatherTime).
        virtual std::chrono::milliseconds gatherTime() const = 0;
    };

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

    // What a try to connect again came to.
    enum class Rejoin {
        Ended,   // the audio answer came and has ended cleanly again
        Cut,     // the audio answer came and was cut off again: reset, timed out, short
        Failed,  // no audio this time, worth another try: refused, reset, timed out, 404, 5xx
        Final,   // no more tries: cancelled, refused by its owner, 401, 403, 407, a playlist,
                 // a malformed answer or a TLS failure
    };
    // After run() played: fetches the address whose answer played once more, with the same
    // request, and hands its answer to the same Events (begin() again, then its audio).
    Rejoin resume();

    void interrupt() { http_.interrupt(); }

private:
    enum class Mode { Undecided, Audio, Playlist };

    void reset(const std::string& url);
    int attempt(const std::string& url, int depth);
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
    std::unique_ptr<PlaylistParser> playlist_;
    bool stopped_ = false;  // the owner refused more audio
    int entriesTried_ = 0;  // over the whole download
    std::string audioUrl_;  // the address of the answer that played: after the playlist step
};

}  // namespace zva
