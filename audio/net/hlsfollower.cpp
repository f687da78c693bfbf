#include "hlsfollower.h"

#include <algorithm>
#include <vector>

#include "tagtext.h"
#include "zvaudio.h"

namespace zva {
namespace {

using Clock = std::chrono::steady_clock;

// A target duration outside these bounds is taken as the nearest one: a zero one would reload
// the playlist without pause, a huge one would never reload it.
constexpr std::chrono::milliseconds kMinTarget{500};
constexpr std::chrono::milliseconds kMaxTarget{30000};
// How far behind the live edge playing starts, in target durations.
constexpr double kStartBehind = 3;
// A playlist that adds no segment for this many target durations has stopped.
constexpr int kStaleTargets = 3;
// The most bytes a second of a segment may hold: 640 kbit/s, the highest rate a station sends,
// with room for the container. A segment may hold at least kMinSegmentLimit.
constexpr double kMaxBytesPerSecond = 640000.0 / 8 * 1.25;
constexpr std::uint64_t kMinSegmentLimit = 1024 * 1024;
// A segment that fails this many times is given up and the stream goes on after it.
constexpr int kSegmentTries = 2;

// Collects one playlist's answer.
class PlaylistFetch : public HttpClient::Handler {
public:
    explicit PlaylistFetch(HttpClient& http) : http_(http) {}

    bool header(std::string_view line) override { return headers.addLine(line); }
    bool body(const std::uint8_t* data, std::size_t size) override {
        if (headers.statusCode() >= 400) {
            return false;
        }
        if (!parser) {
            parser.emplace(http_.effectiveUrl());
        }
        tooLarge = !parser->feed(data, size);
        return !tooLarge;
    }
    std::chrono::milliseconds gatherTime() const override { return {}; }

    ResponseHeaders headers;
    std::optional<HlsPlaylistParser> parser;
    bool tooLarge = false;

private:
    HttpClient& http_;
};

Clock::duration targetOf(const HlsPlaylist& playlist) {
    const auto target = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(playlist.targetDuration));
    return std::clamp<Clock::duration>(target, kMinTarget, kMaxTarget);
}

// The first segment to play: about kStartBehind target durations behind the live edge, all of
// a playlist that has ended.
std::int64_t startOf(const HlsPlaylist& playlist) {
    if (playlist.segments.empty()) {
        return 0;
    }
    if (playlist.ended) {
        return playlist.segments.front().sequence;
    }
    double behind = 0;
    for (auto it = playlist.segments.rbegin(); it != playlist.segments.rend(); ++it) {
        behind += it->duration;
        if (behind >= kStartBehind * playlist.targetDuration) {
            return it->sequence;
        }
    }
    return playlist.segments.front().sequence;
}

}  // namespace

HlsFollower::HlsFollower(HttpClient& http, StreamEvents& events, int maxVariants)
    : http_(http), events_(events), maxVariants_(maxVariants) {}

int HlsFollower::run(HlsPlaylist playlist, const std::string& url, const ResponseHeaders& headers) {
    loadedAt_ = Clock::now();
    if (playlist.master) {
        return playVariants(playlist);
    }
    return start(std::move(playlist), url, headers, -1);
}

HlsFollower::Load HlsFollower::load(const std::string& url) {
    PlaylistFetch fetch(http_);
    const HttpClient::Result result = http_.fetch(url, fetch);
    Load load;
    load.status = fetch.headers.statusCode();
    if (fetch.tooLarge) {
        load.error = ZVA_ERROR_FILEFORM;
    } else if (load.status >= 400) {
        load.error = ZVA_ERROR_FILEOPEN;
    } else if (result != HttpClient::Result::Finished) {
        load.error = HttpClient::errorCode(result);
    } else if (fetch.parser) {
        load.playlist = fetch.parser->finish();
    }
    if (load.error == 0 && !load.playlist) {
        load.error = ZVA_ERROR_FILEFORM;
    }
    load.headers = std::move(fetch.headers);
    return load;
}

int HlsFollower::playVariants(const HlsPlaylist& master) {
    // Audio-only variants first, the richest first; the order the station gives among equals.
    std::vector<HlsPlaylist::Variant> variants = master.variants;
    std::stable_sort(variants.begin(), variants.end(), [](const auto& a, const auto& b) {
        return a.audioOnly != b.audioOnly ? a.audioOnly : a.bandwidth > b.bandwidth;
    });
    if (variants.size() > std::size_t(maxVariants_)) {
        variants.resize(std::size_t(maxVariants_));
    }
    int error = ZVA_ERROR_FILEFORM;
    for (const auto& variant : variants) {
        loadedAt_ = Clock::now();
        Load loaded = load(variant.url);
        if (loaded.error == 0 && (loaded.playlist->master || loaded.playlist->unsupported)) {
            loaded.error = ZVA_ERROR_FILEFORM;
        }
        if (loaded.error == ZVA_ERROR_UNKNOWN) {
            return loaded.error;  // interrupted
        }
        if (loaded.error != 0) {
            error = loaded.error;
            continue;
        }
        const long bandwidth =
            variant.averageBandwidth > 0 ? variant.averageBandwidth : variant.bandwidth;
        return start(std::move(*loaded.playlist), variant.url, loaded.headers, bandwidth);
    }
    return error;
}

int HlsFollower::start(HlsPlaylist playlist, const std::string& url, const ResponseHeaders& headers,
                       long bandwidth) {
    if (playlist.unsupported) {
        return ZVA_ERROR_FILEFORM;
    }
    mediaUrl_ = url;
    ResponseHeaders block = headers;
    if (bandwidth >= 1000) {
        block.add("icy-br", std::to_string(bandwidth / 1000));
    }
    if (!events_.begin(block)) {
        return ZVA_ERROR_UNKNOWN;
    }
    nextSequence_ = startOf(playlist);
    advancedAt_ = loadedAt_;
    return follow(std::move(playlist));
}

Rejoin HlsFollower::resume() {
    played_ = false;
    loadedAt_ = Clock::now();
    // The playlist gets its full time to advance again.
    advancedAt_ = loadedAt_;
    Load loaded = load(mediaUrl_);
    if (loaded.error == 0 && loaded.playlist->master) {
        loaded.error = ZVA_ERROR_FILEFORM;
    }
    if (loaded.error != 0) {
        return isFinal(loaded.error, loaded.status) ? Rejoin::Final : Rejoin::Failed;
    }
    const int error = follow(std::move(*loaded.playlist));
    if (error == 0) {
        // A playlist that has ended and brought nothing new is over.
        return played_ ? Rejoin::Ended : Rejoin::Final;
    }
    if (isFinal(error, 0)) {
        return Rejoin::Final;
    }
    return played_ ? Rejoin::Cut : Rejoin::Failed;
}

bool HlsFollower::isFinal(int error, int status) const {
    return stopped_ || error == ZVA_ERROR_UNKNOWN || error == ZVA_ERROR_SSL ||
           error == ZVA_ERROR_FILEFORM || status == 401 || status == 403 || status == 407;
}

int HlsFollower::follow(HlsPlaylist playlist) {
    for (;;) {
        targetDuration_ = targetOf(playlist);
        const std::int64_t newest =
            playlist.segments.empty() ? -1 : playlist.segments.back().sequence;
        const bool changed = newest != newest_;
        newest_ = newest;
        // A station that started its numbering again (a restarted packager) is joined anew.
        if (newest + 1 + std::int64_t(playlist.segments.size()) < nextSequence_) {
            nextSequence_ = startOf(playlist);
            breakStream();
        }
        if (newest >= nextSequence_) {
            advancedAt_ = loadedAt_;
        } else if (Clock::now() - advancedAt_ >= kStaleTargets * targetDuration_) {
            return ZVA_ERROR_TIMEOUT;
        }
        for (const auto& segment : playlist.segments) {
            if (segment.sequence < nextSequence_) {
                continue;
            }
            if (segment.sequence > nextSequence_ || segment.discontinuity) {
                breakStream();
            }
            if (const int error = playSegment(segment); error != 0) {
                return error;
            }
            nextSequence_ = segment.sequence + 1;
        }
        if (playlist.ended) {
            return 0;
        }
        if (!http_.waitUntil(loadedAt_ + (changed ? targetDuration_ : targetDuration_ / 2))) {
            return ZVA_ERROR_UNKNOWN;
        }
        loadedAt_ = Clock::now();
        Load loaded = load(mediaUrl_);
        if (loaded.error == 0 && loaded.playlist->master) {
            loaded.error = ZVA_ERROR_FILEFORM;
        }
        if (loaded.error != 0) {
            return loaded.error;
        }
        playlist = std::move(*loaded.playlist);
    }
}

int HlsFollower::playSegment(const HlsPlaylist::Segment& segment) {
    if (segment.sequence != segment_) {
        segment_ = segment.sequence;
        segmentFailures_ = 0;
        segmentDone_ = 0;
        reader_.beginSegment();
    }
    segmentAt_ = 0;
    segmentLimit_ = std::max<std::uint64_t>(
        kMinSegmentLimit, static_cast<std::uint64_t>(segment.duration * kMaxBytesPerSecond));
    segmentUnreadable_ = false;
    segmentHeaders_ = ResponseHeaders();
    const HttpClient::Result result = http_.fetch(segment.url, *this);
    if (stopped_) {
        return ZVA_ERROR_UNKNOWN;
    }
    if (segmentUnreadable_) {
        return ZVA_ERROR_FILEFORM;
    }
    const int status = segmentHeaders_.statusCode();
    if (result == HttpClient::Result::Finished && status < 400) {
        reader_.endSegment(*this);
        segment_ = -1;
        return 0;
    }
    const int error = status >= 400 ? ZVA_ERROR_FILEOPEN : HttpClient::errorCode(result);
    if (isFinal(error, status) || ++segmentFailures_ < kSegmentTries) {
        return error;
    }
    // Given up: the stream goes on with the next segment.
    segment_ = -1;
    breakStream();
    return 0;
}

void HlsFollower::breakStream() {
    reader_.discontinuity();
    if (anyAudio_) {
        broken_ = true;
    }
}

bool HlsFollower::header(std::string_view line) {
    return segmentHeaders_.addLine(line);
}

bool HlsFollower::body(const std::uint8_t* data, std::size_t size) {
    if (segmentHeaders_.statusCode() >= 400) {
        return false;
    }
    const std::uint64_t end = segmentAt_ + size;
    if (end > segmentLimit_) {
        segmentUnreadable_ = true;
        return false;
    }
    // A segment fetched again after a cut goes on behind the bytes the last try brought.
    if (end > segmentDone_) {
        const std::uint64_t skip = segmentDone_ > segmentAt_ ? segmentDone_ - segmentAt_ : 0;
        segmentDone_ = end;
        if (!reader_.feed(data + skip, size - skip, *this)) {
            segmentUnreadable_ = true;
        }
    }
    segmentAt_ = end;
    return !segmentUnreadable_ && !stopped_;
}

std::chrono::milliseconds HlsFollower::gatherTime() const {
    // A segment comes as fast as the network brings it and is over soon: every pause to gather
    // bytes would add to the time it takes.
    return std::chrono::milliseconds(0);
}

void HlsFollower::audio(const std::uint8_t* data, std::size_t size) {
    if (stopped_ || size == 0) {
        return;
    }
    if (broken_) {
        broken_ = false;
        events_.discontinuity();
    }
    played_ = true;
    anyAudio_ = true;
    stopped_ = !events_.audio(data, size);
}

void HlsFollower::title(const std::string& title) {
    if (stopped_ || title == lastTitle_) {
        return;
    }
    lastTitle_ = title;
    events_.metadata(streamTitleBlock(title));
}

}  // namespace zva
