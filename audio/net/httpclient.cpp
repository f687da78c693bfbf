#include "httpclient.h"

#include <strings.h>

#include "curlstart.h"
#include "zvaudio.h"

namespace zva {
namespace {

// The longest single wait, so the read timeout is checked even when nothing happens.
constexpr int kPollMs = 250;

}  // namespace

HttpClient::HttpClient(Settings settings) : settings_(std::move(settings)) {
    startCurl();
    multi_ = curl_multi_init();
}

HttpClient::~HttpClient() {
    if (multi_ != nullptr) {
        curl_multi_cleanup(multi_);
    }
}

void HttpClient::interrupt() {
    {
        std::lock_guard lock(waitMutex_);
        interrupted_ = true;
    }
    interruptWake_.notify_all();
    if (multi_ != nullptr) {
        curl_multi_wakeup(multi_);
    }
}

int HttpClient::errorCode(Result result) {
    switch (result) {
        case Result::Finished:
            return ZVA_OK;
        case Result::Interrupted:
        case Result::Aborted:
            return ZVA_ERROR_UNKNOWN;
        case Result::Timeout:
            return ZVA_ERROR_TIMEOUT;
        case Result::Redirects:
            return ZVA_ERROR_FILEFORM;
        case Result::Tls:
            return ZVA_ERROR_SSL;
        case Result::Connect:
        case Result::Failed:
            break;
    }
    return ZVA_ERROR_FILEOPEN;
}

bool HttpClient::waitUntil(std::chrono::steady_clock::time_point until) {
    std::unique_lock lock(waitMutex_);
    return !interruptWake_.wait_until(lock, until, [this] { return interrupted_.load(); });
}

std::size_t HttpClient::onHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* self = static_cast<HttpClient*>(user);
    const std::size_t n = size * count;
    self->lastByte_ = std::chrono::steady_clock::now();
    if (self->interrupted_ || !self->handler_->header(std::string_view(data, n))) {
        self->handlerRefused_ = true;
        return 0;
    }
    return n;
}

std::size_t HttpClient::onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* self = static_cast<HttpClient*>(user);
    const std::size_t n = size * count;
    if (self->interrupted_ ||
        !self->handler_->body(reinterpret_cast<const std::uint8_t*>(data), n)) {
        self->handlerRefused_ = true;
        return 0;
    }
    // The handler may have waited for room in the download buffer: that wait is not silence.
    self->lastByte_ = std::chrono::steady_clock::now();
    return n;
}

std::string HttpClient::effectiveUrl() const {
    char* effective = nullptr;
    if (easy_ != nullptr &&
        curl_easy_getinfo(easy_, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK &&
        effective != nullptr) {
        return effective;
    }
    return effectiveUrl_;
}

HttpClient::Result HttpClient::fetch(const std::string& url, Handler& handler) {
    if (multi_ == nullptr) {
        return Result::Failed;
    }
    CURL* easy = curl_easy_init();
    if (easy == nullptr) {
        return Result::Failed;
    }
    handler_ = &handler;
    handlerRefused_ = false;
    effectiveUrl_ = url;
    curl_slist* headers = curl_slist_append(nullptr, "Icy-MetaData: 1");
    curl_slist* aliases = curl_slist_append(nullptr, "ICY 200 OK");
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_HTTP200ALIASES, aliases);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, settings_.agent.c_str());
    if (settings_.proxy) {
        curl_easy_setopt(easy, CURLOPT_PROXY, settings_.proxy->c_str());
    }
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    const bool secure = url.size() >= 8 && strncasecmp(url.c_str(), "https://", 8) == 0;
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    // With the threaded resolver, ending a transfer would otherwise wait for a look-up that a
    // dead name server can hold up for half a minute.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, settings_.connectTimeoutMs);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpClient::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpClient::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_multi_add_handle(multi_, easy);
    easy_ = easy;

    lastByte_ = std::chrono::steady_clock::now();
    Result result = Result::Failed;
    bool done = false;
    while (!done) {
        if (interrupted_) {
            result = Result::Interrupted;
            break;
        }
        int running = 0;
        curl_multi_perform(multi_, &running);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
            if (message->msg != CURLMSG_DONE) {
                continue;
            }
            done = true;
            switch (message->data.result) {
                case CURLE_OK:
                    result = Result::Finished;
                    break;
                case CURLE_WRITE_ERROR:
                    result = interrupted_ ? Result::Interrupted
                                          : (handlerRefused_ ? Result::Aborted : Result::Failed);
                    break;
                case CURLE_OPERATION_TIMEDOUT:
                    result = Result::Timeout;
                    break;
                case CURLE_TOO_MANY_REDIRECTS:
                    result = Result::Redirects;
                    break;
                case CURLE_PEER_FAILED_VERIFICATION:
                case CURLE_SSL_CONNECT_ERROR:
                case CURLE_SSL_CERTPROBLEM:
                case CURLE_SSL_CACERT_BADFILE:
                    result = Result::Tls;
                    break;
                case CURLE_COULDNT_CONNECT:
                case CURLE_COULDNT_RESOLVE_HOST:
                case CURLE_COULDNT_RESOLVE_PROXY:
                    result = Result::Connect;
                    break;
                default:
                    result = interrupted_ ? Result::Interrupted : Result::Failed;
                    break;
            }
        }
        if (done || running == 0) {
            break;
        }
        const auto silence = std::chrono::steady_clock::now() - lastByte_;
        if (silence >= std::chrono::milliseconds(settings_.readTimeoutMs)) {
            result = Result::Timeout;
            break;
        }
        if (const auto gather = handler.gatherTime(); gather.count() > 0) {
            std::unique_lock lock(waitMutex_);
            interruptWake_.wait_for(lock, gather, [this] { return interrupted_.load(); });
        }
        curl_multi_poll(multi_, nullptr, 0, kPollMs, nullptr);
    }
    effectiveUrl_ = effectiveUrl();
    easy_ = nullptr;
    curl_multi_remove_handle(multi_, easy);
    curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
    curl_slist_free_all(aliases);
    handler_ = nullptr;
    return result;
}

}  // namespace zva
