#pragma once

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace zva {

// Runs one HTTP(S) request at a time for a stream's download thread (libcurl's multi
// interface, so another thread can interrupt a wait at once). Sends "Icy-MetaData: 1", accepts
// "ICY 200 OK" as a status line, follows up to 5 redirects (never from https down to http),
// verifies TLS, allows only http and https, and ends a transfer that receives no byte for the
// read timeout. Ending a transfer never waits for a name look-up still under way.
//
// Thread contract: fetch() and waitUntil() on one thread (the download thread); interrupt() from
// any thread,
// as long as the object lives.
class HttpClient {
public:
    enum class Result { Finished, Interrupted, Aborted, Timeout, Redirects, Tls, Connect, Failed };

    // The ZVA_ERROR_* code of a fetch that did not finish (ZVA_OK for Finished); Interrupted
    // and Aborted give ZVA_ERROR_UNKNOWN, since their cause lies with the caller.
    static int errorCode(Result result);

    struct Settings {
        std::string agent;
        // libcurl's proxy text; nothing: the proxy variables decide; "": no proxy at all.
        std::optional<std::string> proxy;
        long connectTimeoutMs = 5000;
        long readTimeoutMs = 15000;
    };

    // Receives the answer; returning false from either call ends the transfer (Aborted).
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual bool header(std::string_view line) = 0;
        virtual bool body(const std::uint8_t* data, std::size_t size) = 0;
        // How long new bytes may wait: the client lets the network gather data that long
        // before it looks again, so that one wake-up takes many packets instead of each packet
        // costing one. Zero while the handler wants every byte at once.
        virtual std::chrono::milliseconds gatherTime() const = 0;
    };

    explicit HttpClient(Settings settings);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Blocks until the transfer ends.
    Result fetch(const std::string& url, Handler& handler);
    // The address the answer came from after redirects: during fetch() (from the handler), the
    // running transfer's; afterwards, the last one's. Download thread only.
    std::string effectiveUrl() const;

    // Waits until `until`, between two requests: false when interrupt() came first.
    bool waitUntil(std::chrono::steady_clock::time_point until);

    // Makes the running (and every later) fetch() and waitUntil() return promptly.
    void interrupt();

private:
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user);
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user);

    Settings settings_;
    CURLM* multi_;                          // immutable after construction
    std::atomic<bool> interrupted_{false};  // set under waitMutex_, read anywhere
    std::mutex waitMutex_;
    std::condition_variable interruptWake_;           // ends a gathering pause at once
    Handler* handler_ = nullptr;                      // download thread only
    bool handlerRefused_ = false;                     // download thread only
    std::chrono::steady_clock::time_point lastByte_;  // download thread only
    CURL* easy_ = nullptr;                            // download thread only; during fetch()
    std::string effectiveUrl_;                        // download thread only
};

}  // namespace zva
