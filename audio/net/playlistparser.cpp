#include "playlistparser.h"

#include <algorithm>
#include <charconv>

#include "text.h"

namespace zva {
namespace {

bool isWebAddress(std::string_view s) {
    return startsWithNoCase(s, "http://") || startsWithNoCase(s, "https://");
}

}  // namespace

bool PlaylistParser::looksLikePlaylist(std::string_view contentType, std::string_view url,
                                       std::string_view head) {
    const std::string_view type = mediaType(contentType);
    for (const char* known :
         {"audio/x-scpls", "audio/scpls", "audio/x-mpegurl", "audio/mpegurl",
          "application/x-mpegurl", "application/vnd.apple.mpegurl", "application/pls+xml"}) {
        if (equalsNoCase(type, known)) {
            return true;
        }
    }
    // A server that says it sends audio is believed over the address's ending: a "radio.pls"
    // that answers with a stream is a stream.
    url = url.substr(0, url.find_first_of("?#"));
    if (!startsWithNoCase(type, "audio/") &&
        (endsWithNoCase(url, ".pls") || endsWithNoCase(url, ".m3u") ||
         endsWithNoCase(url, ".m3u8"))) {
        return true;
    }
    head = trim(withoutBom(head));
    return startsWithNoCase(head, "[playlist]") || startsWithNoCase(head, "#EXTM3U");
}

bool PlaylistParser::feed(const std::uint8_t* data, std::size_t size) {
    size_ += size;
    if (size_ > kMaxSize) {
        return false;
    }
    splitLines(std::string_view(reinterpret_cast<const char*>(data), size), pending_,
               [this](std::string_view text) { line(text); });
    return true;
}

std::vector<std::string> PlaylistParser::finish() {
    line(pending_);
    pending_.clear();
    if (kind_ == Kind::M3u) {
        return std::move(m3u_);
    }
    std::stable_sort(pls_.begin(), pls_.end(),
                     [](const PlsEntry& a, const PlsEntry& b) { return a.number < b.number; });
    std::vector<std::string> urls;
    for (auto& entry : pls_) {
        urls.push_back(std::move(entry.url));
    }
    return urls;
}

void PlaylistParser::line(std::string_view text) {
    text = trim(text);
    if (kind_ == Kind::Unknown) {
        text = trim(withoutBom(text));
        if (text.empty()) {
            return;
        }
        kind_ = text.front() == '[' ? Kind::Pls : Kind::M3u;
    }
    if (text.empty()) {
        return;
    }
    if (kind_ == Kind::M3u) {
        if (text.front() != '#' && isWebAddress(text)) {
            m3u_.emplace_back(text);
        }
        return;
    }
    if (text.front() == '[') {
        inPlaylistSection_ = startsWithNoCase(text, "[playlist]");
        return;
    }
    if (!inPlaylistSection_ || !startsWithNoCase(text, "file")) {
        return;
    }
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) {
        return;
    }
    const std::string_view key = trim(text.substr(4, equals - 4));
    long number = -1;
    const auto [end, ec] = std::from_chars(key.data(), key.data() + key.size(), number);
    if (ec != std::errc() || end != key.data() + key.size() || key.empty()) {
        return;
    }
    const std::string_view url = trim(text.substr(equals + 1));
    if (isWebAddress(url)) {
        pls_.push_back({number, std::string(url)});
    }
}

}  // namespace zva
