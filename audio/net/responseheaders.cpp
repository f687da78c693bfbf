#include "responseheaders.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "text.h"

namespace zva {

bool ResponseHeaders::addLine(std::string_view line) {
    line = trim(line);
    if (complete_ || !started_) {
        if (line.empty()) {
            return true;
        }
        status_.assign(line);
        lines_.clear();
        size_ = line.size() + 1;
        complete_ = false;
        started_ = true;
        return size_ <= kMaxSize;
    }
    size_ += line.size() + 1;
    if (size_ > kMaxSize) {
        return false;
    }
    if (line.empty()) {
        complete_ = true;
        return true;
    }
    std::string text(line);
    if (startsWithNoCase(text, "icy-")) {
        for (char& c : text) {
            if (c == ':') {
                break;
            }
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    lines_.push_back(std::move(text));
    return true;
}

bool ResponseHeaders::isIcy() const {
    return status_.starts_with("ICY");
}

bool ResponseHeaders::isLive() const {
    return isIcy() || std::any_of(lines_.begin(), lines_.end(),
                                  [](const std::string& line) { return line.starts_with("icy-"); });
}

bool ResponseHeaders::isHttp() const {
    return status_.starts_with("HTTP");
}

int ResponseHeaders::statusCode() const {
    const auto space = status_.find(' ');
    if (space == std::string::npos) {
        return 0;
    }
    int code = 0;
    const char* begin = status_.data() + space + 1;
    std::from_chars(begin, status_.data() + status_.size(), code);
    return code;
}

void ResponseHeaders::add(std::string_view name, std::string_view value) {
    std::string line(name);
    line += ':';
    line += value;
    size_ += line.size() + 1;
    lines_.push_back(std::move(line));
}

std::string ResponseHeaders::block() const {
    std::string out = status_;
    out.push_back('\0');
    for (const auto& line : lines_) {
        out += line;
        out.push_back('\0');
    }
    out.push_back('\0');
    return out;
}

std::string ResponseHeaders::value(std::string_view name) const {
    for (const auto& line : lines_) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        const std::string_view key = trim(std::string_view(line).substr(0, colon));
        if (equalsNoCase(key, name)) {
            return std::string(trim(std::string_view(line).substr(colon + 1)));
        }
    }
    return {};
}

long ResponseHeaders::number(std::string_view name) const {
    const std::string text = value(name);
    long n = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || text.empty() || n < 0) {
        return -1;
    }
    // Values such as "128,128" (some servers list several rates) count by their first number.
    return (end == text.data() + text.size() || *end == ',') ? n : -1;
}

}  // namespace zva
