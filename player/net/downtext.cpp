#include "downtext.h"

#include "codepage.h"
#include "filereplace.h"
#include "httpfetch.h"

namespace modDownText {

bool DownloadFile(const QString& url, const QString& path) {
    const zvnet::FetchResult got = zvnet::fetch(url, zvnet::FetchLimits{});
    return got.ok && zvnet::replaceFile(path, got.body);
}

QString getUrls(const QString& url) {
    zvnet::FetchLimits probe;
    probe.maxBytes = 64 * 1024;
    probe.keepPrefix = true;
    probe.stopAtStream = true;
    const zvnet::FetchResult got = zvnet::fetch(url, probe);
    return got.ok ? zvnet::decodeText(got.body) : QString();
}

}  // namespace modDownText
