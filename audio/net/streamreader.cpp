#include "streamreader.h"

#include "text.h"
#include "zvaudio.h"

namespace zva {
namespace {

constexpr int kMaxPlaylistDepth = 3;
// A smaller interval would turn every few audio bytes into a metadata block.
constexpr long kMinMetaInt = 16;

}  // namespace

StreamReader::StreamReader(Settings settings, Events& events)
    : settings_(std::move(settings)), events_(events), http_(settings_.http) {}

int StreamReader::run(const std::string& url) {
    entriesTried_ = 0;
    return attempt(url, 0);
}

void StreamReader::reset(const std::string& url) {
    url_ = url;
    headers_ = ResponseHeaders();
    mode_ = Mode::Undecided;
    refusal_ = 0;
    demuxer_.reset();
    playlist_.clear();
    stopped_ = false;
}

Rejoin StreamReader::resume() {
    if (hls_) {
        return hls_->resume();
    }
    reset(audioUrl_);
    resuming_ = true;
    const HttpClient::Result result = http_.fetch(url_, *this);
    resuming_ = false;
    if (mode_ == Mode::Audio) {
        if (stopped_) {
            return Rejoin::Final;
        }
        return result == HttpClient::Result::Finished ? Rejoin::Ended : Rejoin::Cut;
    }
    const int status = headers_.statusCode();
    // An answer it could not read (refused with a status below 400) is as malformed next time.
    if (result == HttpClient::Result::Interrupted || result == HttpClient::Result::Tls ||
        mode_ == Mode::Playlist || status == 401 || status == 403 || status == 407 ||
        (refusal_ != 0 && status < 400)) {
        return Rejoin::Final;
    }
    return Rejoin::Failed;
}

int StreamReader::attempt(const std::string& url, int depth) {
    reset(url);
    const HttpClient::Result result = http_.fetch(url, *this);
    if (mode_ == Mode::Audio && events_.playing()) {
        return result == HttpClient::Result::Finished ? ZVA_OK : fetchError(result);
    }
    if (refusal_ != 0) {
        return refusal_;
    }
    if (mode_ != Mode::Playlist) {
        if (result != HttpClient::Result::Finished) {
            return fetchError(result);
        }
        return headers_.statusCode() >= 400 ? ZVA_ERROR_FILEOPEN : ZVA_ERROR_FILEFORM;
    }
    if (result != HttpClient::Result::Finished) {
        return fetchError(result);
    }
    if (depth >= kMaxPlaylistDepth) {
        return ZVA_ERROR_FILEFORM;
    }
    return playPlaylist(depth);
}

int StreamReader::playPlaylist(int depth) {
    if (HlsPlaylistParser::isHls(playlist_)) {
        HlsPlaylistParser parser(http_.effectiveUrl());
        parser.feed(reinterpret_cast<const std::uint8_t*>(playlist_.data()), playlist_.size());
        std::optional<HlsPlaylist> playlist = parser.finish();
        if (!playlist) {
            return ZVA_ERROR_FILEFORM;
        }
        audioUrl_ = url_;
        hls_ = std::make_unique<HlsFollower>(http_, events_, settings_.maxEntries);
        return hls_->run(std::move(*playlist), url_, headers_);
    }
    PlaylistParser parser;
    if (!settings_.followPlaylists ||
        !parser.feed(reinterpret_cast<const std::uint8_t*>(playlist_.data()), playlist_.size())) {
        return ZVA_ERROR_FILEFORM;
    }
    const std::vector<std::string> entries = parser.finish();
    int error = ZVA_ERROR_FILEFORM;
    for (const auto& entry : entries) {
        if (++entriesTried_ > settings_.maxEntries) {
            break;
        }
        error = attempt(entry, depth + 1);
        if (events_.playing() || error == ZVA_OK) {
            return error;
        }
        hls_.reset();
    }
    return error;
}

int StreamReader::fetchError(HttpClient::Result result) const {
    const bool callers =
        result == HttpClient::Result::Interrupted || result == HttpClient::Result::Aborted;
    return callers && refusal_ != 0 ? refusal_ : HttpClient::errorCode(result);
}

bool StreamReader::header(std::string_view line) {
    if (!headers_.addLine(line)) {
        refusal_ = ZVA_ERROR_FILEFORM;
        return false;
    }
    return true;
}

bool StreamReader::body(const std::uint8_t* data, std::size_t size) {
    if (mode_ == Mode::Undecided) {
        if (headers_.statusCode() >= 400) {
            refusal_ = ZVA_ERROR_FILEOPEN;
            return false;
        }
        const std::string_view head(reinterpret_cast<const char*>(data), size);
        const std::string effective = http_.effectiveUrl();
        // An M3U may be a live playlist, which plays whether playlists are followed or not.
        const bool m3u = startsWithNoCase(trim(withoutBom(head)), "#EXTM3U");
        if ((settings_.followPlaylists || m3u) &&
            PlaylistParser::looksLikePlaylist(headers_.value("Content-Type"), effective, head)) {
            mode_ = Mode::Playlist;
            if (resuming_) {
                return false;  // the station is no longer the stream that played
            }
        } else {
            mode_ = Mode::Audio;
            audioUrl_ = url_;
            const long metaInt = headers_.number("icy-metaint");
            if (metaInt > 0 && metaInt < kMinMetaInt) {
                refusal_ = ZVA_ERROR_NOTAVAIL;
                return false;
            }
            demuxer_ =
                std::make_unique<IcyDemuxer>(metaInt > 0 ? static_cast<std::size_t>(metaInt) : 0);
            if (!events_.begin(headers_)) {
                stopped_ = true;
                return false;
            }
        }
    }
    if (mode_ == Mode::Playlist) {
        if (playlist_.size() + size > HlsPlaylistParser::kMaxSize) {
            refusal_ = ZVA_ERROR_FILEFORM;
            return false;
        }
        playlist_.append(reinterpret_cast<const char*>(data), size);
        return true;
    }
    demuxer_->feed(data, size, *this);
    return !stopped_;
}

std::chrono::milliseconds StreamReader::gatherTime() const {
    return mode_ == Mode::Audio && !stopped_ ? events_.gatherTime() : std::chrono::milliseconds(0);
}

void StreamReader::audio(const std::uint8_t* data, std::size_t size) {
    if (!stopped_ && !events_.audio(data, size)) {
        stopped_ = true;
    }
}

void StreamReader::metadata(std::string_view text) {
    if (!stopped_) {
        events_.metadata(text);
    }
}

}  // namespace zva
