#include "downtext.h"

#include "codepage.h"
#include "httpfetch.h"

#include <QSaveFile>

namespace modDownText {

bool DownloadFile(const QString& url, const QString& path) {
    const zvnet::FetchResult got = zvnet::fetch(url, zvnet::FetchLimits{});
    if (!got.ok) {
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(got.body) != got.body.size()) {
        return false;
    }
    return file.commit();
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
