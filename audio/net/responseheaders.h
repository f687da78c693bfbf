#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zva {

// Collects the header lines of one HTTP or ICY answer as they arrive. A status line after a
// finished block (a redirect's answer came first) starts a new block. The names of `icy-`
// headers are kept in lower case. Pure code.
//
// Thread contract: one object is used by one thread at a time.
class ResponseHeaders {
public:
    static constexpr std::size_t kMaxSize = 64 * 1024;

    // One raw line as received, with or without its line end. False once the block has grown
    // past kMaxSize; the answer is then to be refused.
    bool addLine(std::string_view line);
    // A header line of the library's own, after those received.
    void add(std::string_view name, std::string_view value);

    bool isIcy() const;
    bool isHttp() const;
    // A station's answer: an ICY status line or any `icy-` header. It is a broadcast however it
    // ends, never a file.
    bool isLive() const;
    int statusCode() const;

    // The status line, then each header line, each ended by a NUL, then one more NUL.
    std::string block() const;
    // The value of the first header of that name (case-insensitive), trimmed; empty if absent.
    std::string value(std::string_view name) const;
    // A non-negative decimal header value, or -1 when absent or not a number.
    long number(std::string_view name) const;

private:
    std::string status_;
    std::vector<std::string> lines_;
    std::size_t size_ = 0;
    bool complete_ = false;
    bool started_ = false;
};

}  // namespace zva
