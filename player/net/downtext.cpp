#include "downtext.h"

#include "codepage.h"
#include "filereplace.h"
#include "httpfetch.h"

#include <utility>

namespace modDownText {

Copied copyToFile(const QString& url, const QString& path) {
    const zvnet::FetchResult got = zvnet::fetch(url, zvnet::FetchLimits{});
    if (!got.ok) {
        return Copied::NotFetched;
    }
    return zvnet::replaceFile(path, got.body) ? Copied::Saved : Copied::NotWritten;
}

bool DownloadFile(const QString& url, const QString& path) {
    return copyToFile(url, path) == Copied::Saved;
}

QString getUrls(const QString& url, std::stop_token stop) {
    zvnet::FetchLimits probe;
    probe.maxBytes = 64 * 1024;
    probe.keepPrefix = true;
    probe.stopAtStream = true;
    const zvnet::FetchResult got = zvnet::fetch(url, probe, std::move(stop));
    return got.ok ? zvnet::decodeText(got.body) : QString();
}

}  // namespace modDownText
