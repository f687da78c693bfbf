#include "hlsplaylist.h"

#include <curl/curl.h>

#include <charconv>
#include <cstdlib>
#include <memory>

#include "text.h"

namespace zva {
namespace {

constexpr std::string_view kHeader = "#EXTM3U";

// `reference` resolved against `base` (RFC 3986, by libcurl); nothing unless it is an http or
// https address.
std::optional<std::string> resolve(const std::string& base, std::string_view reference) {
    const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), &curl_url_cleanup);
    const std::string relative(reference);
    if (url == nullptr || curl_url_set(url.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_URL, relative.c_str(), 0) != CURLUE_OK) {
        return std::nullopt;
    }
    char* scheme = nullptr;
    char* full = nullptr;
    std::optional<std::string> result;
    if (curl_url_get(url.get(), CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        (equalsNoCase(scheme, "http") || equalsNoCase(scheme, "https")) &&
        curl_url_get(url.get(), CURLUPART_URL, &full, 0) == CURLUE_OK) {
        result = full;
    }
    curl_free(scheme);
    curl_free(full);
    return result;
}

// The value of one attribute of a tag's attribute list (NAME=VALUE,NAME="VALUE",...), its
// quotes taken off.
std::optional<std::string_view> attribute(std::string_view list, std::string_view name) {
    while (!list.empty()) {
        const auto equals = list.find('=');
        if (equals == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view key = trim(list.substr(0, equals));
        list = list.substr(equals + 1);
        std::string_view value;
        if (list.starts_with('"')) {
            const auto close = list.find('"', 1);
            value = list.substr(1, close == std::string_view::npos ? list.npos : close - 1);
            list = close == std::string_view::npos ? std::string_view() : list.substr(close + 1);
        } else {
            value = list.substr(0, list.find(','));
        }
        const auto comma = list.find(',');
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        if (key == name) {
            return trim(value);
        }
    }
    return std::nullopt;
}

long decimal(std::optional<std::string_view> text) {
    long value = -1;
    if (text &&
        std::from_chars(text->data(), text->data() + text->size(), value).ec != std::errc()) {
        return -1;
    }
    return value;
}

// Seconds as a decimal-floating-point ("10", "9.984"), independent of the locale.
double seconds(std::string_view text) {
    const std::string copy(trim(text.substr(0, text.find(','))));
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    return end != copy.c_str() && value >= 0 ? value : -1;
}

bool namesVideo(std::string_view codecs) {
    while (!codecs.empty()) {
        const std::string_view codec = trim(codecs.substr(0, codecs.find(',')));
        bool audio = false;
        for (const char* known : {"mp4a", "mp3", "ac-3", "ec-3", "opus", "flac", "fLaC"}) {
            audio = audio || startsWithNoCase(codec, known);
        }
        if (!audio && !codec.empty()) {
            return true;
        }
        const auto comma = codecs.find(',');
        codecs = comma == std::string_view::npos ? std::string_view() : codecs.substr(comma + 1);
    }
    return false;
}

}  // namespace

bool HlsPlaylistParser::isHls(std::string_view text) {
    if (!trim(withoutBom(text)).starts_with(kHeader)) {
        return false;
    }
    bool hls = false;
    const auto look = [&hls](std::string_view line) {
        line = trim(line);
        hls = hls || line.starts_with("#EXT-X-TARGETDURATION:") ||
              line.starts_with("#EXT-X-STREAM-INF:");
    };
    std::string last;
    splitLines(text, last, look);
    look(last);
    return hls;
}

HlsPlaylistParser::HlsPlaylistParser(std::string url) : base_(std::move(url)) {}

bool HlsPlaylistParser::feed(const std::uint8_t* data, std::size_t size) {
    size_ += size;
    if (size_ > kMaxSize) {
        return false;
    }
    splitLines(std::string_view(reinterpret_cast<const char*>(data), size), pending_,
               [this](std::string_view text) { line(text); });
    return true;
}

std::optional<HlsPlaylist> HlsPlaylistParser::finish() {
    line(pending_);
    pending_.clear();
    const bool media = playlist_.targetDuration > 0;
    if (!valid_ || (!playlist_.master && !media) || (playlist_.master && media)) {
        return std::nullopt;
    }
    return std::move(playlist_);
}

void HlsPlaylistParser::line(std::string_view text) {
    text = trim(text);
    if (!started_) {
        text = trim(withoutBom(text));
        if (text.empty()) {
            return;
        }
        started_ = true;
        valid_ = text == kHeader;
        return;
    }
    if (!valid_ || text.empty()) {
        return;
    }
    if (text.front() != '#') {
        uri(text);
        return;
    }
    const auto colon = text.find(':');
    const std::string_view tag = text.substr(0, colon);
    const std::string_view value =
        colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    if (tag == "#EXT-X-STREAM-INF") {
        playlist_.master = true;
        HlsPlaylist::Variant variant;
        variant.bandwidth = decimal(attribute(value, "BANDWIDTH"));
        variant.averageBandwidth = decimal(attribute(value, "AVERAGE-BANDWIDTH"));
        variant.audioOnly =
            !attribute(value, "RESOLUTION") && !namesVideo(attribute(value, "CODECS").value_or(""));
        variant_ = variant;
    } else if (tag == "#EXT-X-TARGETDURATION") {
        playlist_.targetDuration = seconds(value);
    } else if (tag == "#EXT-X-MEDIA-SEQUENCE") {
        const long first = decimal(value);
        sequence_ = first >= 0 ? first : 0;
    } else if (tag == "#EXTINF") {
        duration_ = seconds(value);
    } else if (tag == "#EXT-X-DISCONTINUITY") {
        discontinuity_ = true;
    } else if (tag == "#EXT-X-ENDLIST") {
        playlist_.ended = true;
    } else if (tag == "#EXT-X-MAP") {
        playlist_.unsupported = true;
    } else if (tag == "#EXT-X-KEY" && attribute(value, "METHOD").value_or("NONE") != "NONE") {
        playlist_.unsupported = true;
    }
}

void HlsPlaylistParser::uri(std::string_view text) {
    const std::optional<std::string> url = resolve(base_, text);
    if (variant_) {
        if (url && playlist_.variants.size() < kMaxVariants) {
            variant_->url = *url;
            playlist_.variants.push_back(std::move(*variant_));
        }
        variant_.reset();
        return;
    }
    if (duration_ < 0) {
        return;
    }
    // A segment keeps its number even when its address is refused, so the ones after it keep
    // theirs; a refused segment is a gap, which the player bridges as a discontinuity.
    if (url) {
        playlist_.segments.push_back({sequence_, *url, duration_, discontinuity_});
        if (playlist_.segments.size() > kMaxSegments) {
            playlist_.segments.pop_front();
        }
    }
    ++sequence_;
    duration_ = -1;
    discontinuity_ = false;
}

}  // namespace zva
