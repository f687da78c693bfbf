#include "httpfetch.h"

#include "curlstart.h"
#include "downloadproxy.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace zvnet {
namespace {

struct CurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct ListDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// What the callbacks learn about the answer being received. A redirect starts a new answer, so
// every status line resets the header facts.
struct Transfer {
    const FetchLimits* limits = nullptr;
    QByteArray body;
    bool icyStatus = false;
    bool hasContentLength = false;
    bool audioContentType = false;
    bool tooLarge = false;
    bool stoppedEarly = false;  // we ended the transfer on purpose: the body is what we wanted

    bool looksLikeStream() const { return !hasContentLength && (icyStatus || audioContentType); }
};

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(size * count)).trimmed();
    const QByteArray lower = line.toLower();
    if (lower.startsWith("http/") || lower.startsWith("icy ")) {
        t->icyStatus = lower.startsWith("icy ");
        t->hasContentLength = false;
        t->audioContentType = false;
    } else if (lower.startsWith("content-length:")) {
        t->hasContentLength = true;
    } else if (lower.startsWith("content-type:")) {
        const QByteArray type = lower.mid(13).trimmed();
        t->audioContentType = type.startsWith("audio/") || type.startsWith("application/ogg");
    }
    return size * count;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    const std::size_t room = t->limits->maxBytes - static_cast<std::size_t>(t->body.size());
    if (n > room) {
        t->body.append(data, static_cast<qsizetype>(room));
        if (t->limits->keepPrefix) {
            t->stoppedEarly = true;
        } else {
            t->tooLarge = true;
        }
        return 0;  // ends the transfer
    }
    t->body.append(data, static_cast<qsizetype>(n));
    if (t->limits->stopAtStream && t->looksLikeStream()) {
        t->stoppedEarly = true;
        return 0;
    }
    return n;
}

// libcurl asks at least about once a second, also while nothing arrives.
int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::stop_token*>(user)->stop_requested() ? 1 : 0;
}

}  // namespace

FetchResult fetch(const QString& url, const FetchLimits& limits, std::stop_token stop) {
    zva::startCurl();
    FetchResult result;
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        return result;
    }
    std::unique_ptr<curl_slist, ListDeleter> headers(
        curl_slist_append(nullptr, "Cache-Control: no-cache"));
    curl_slist_append(headers.get(), "Pragma: no-cache");
    std::unique_ptr<curl_slist, ListDeleter> aliases(curl_slist_append(nullptr, "ICY 200 OK"));

    Transfer t;
    t.limits = &limits;
    const QByteArray address = url.toUtf8();
    const std::optional<QString> proxyText = proxy();
    const QByteArray proxyAddress = proxyText ? proxyText->toUtf8() : QByteArray();
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, address.constData());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(c, CURLOPT_HTTP200ALIASES, aliases.get());
    if (proxyText) {
        curl_easy_setopt(c, CURLOPT_PROXY, proxyAddress.constData());
    }
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(limits.connectTimeout.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(limits.totalTimeout.count()));
    // Less than one byte a second for the idle time: the server has gone silent.
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.idleTimeout.count()));
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &stop);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);

    const CURLcode code = curl_easy_perform(c);
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.status);
    const bool transferred = code == CURLE_OK || (code == CURLE_WRITE_ERROR && t.stoppedEarly);
    // Only HTTP is spoken, so a finished transfer always has a status.
    result.ok = transferred && !t.tooLarge && result.status < 400;
    if (result.ok) {
        result.body = std::move(t.body);
    }
    return result;
}

}  // namespace zvnet
