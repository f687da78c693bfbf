// One fresh HTTP(S) GET into memory over libcurl, with the limits the receiver's downloads need.
// Addresses come from a station file the receiver does not control, so no other protocol is
// spoken, not even after a redirect: a file://, ftp:// or gopher:// address fails like an
// unreachable one. Every download goes through the proxy of setProxy() (downloadproxy.h).
//
// Thread contract: fetch() may be called from any thread, several at once; each call owns its
// own transfer and blocks until it ends. Nothing is cached: every call asks the server anew.
#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstddef>
#include <stop_token>

namespace zvnet {

struct FetchLimits {
    std::chrono::seconds connectTimeout{10};
    std::chrono::seconds totalTimeout{60};
    // The body may hold at most this many bytes; what is past it is handled by keepPrefix.
    std::size_t maxBytes = 8 * 1024 * 1024;
    // true: a longer body is cut to maxBytes and counts as complete (a probe).
    // false: a longer body is a failure (a file download).
    bool keepPrefix = false;
    // Return as soon as the first body bytes of an endless stream have arrived: no
    // Content-Length, and an audio content type or an "ICY" status line.
    bool stopAtStream = false;
    // Give up when no body byte has arrived for this long.
    std::chrono::seconds idleTimeout{10};
};

struct FetchResult {
    bool ok = false;  // an HTTP answer below 400 whose body arrived within the limits
    long status = 0;  // the final HTTP status, 0 when there was no answer
    QByteArray body;
};

// A stop requested on `stop` ends the transfer within about a second, as a failure.
FetchResult fetch(const QString& url, const FetchLimits& limits, std::stop_token stop = {});

}  // namespace zvnet
