#include "httprequest.h"

namespace {

// The absolute form a client sends to a proxy ("http://host:port/path?query") names the same
// resource as its path and query: the server answers for every host alike.
QByteArray originForm(const QByteArray& target) {
    const QByteArray lower = target.toLower();
    qsizetype authority = 0;
    if (lower.startsWith("http://")) {
        authority = 7;
    } else if (lower.startsWith("https://")) {
        authority = 8;
    } else {
        return target;
    }
    const qsizetype end = target.indexOf('/', authority);
    const qsizetype query = target.indexOf('?', authority);
    if (end < 0 || (query >= 0 && query < end)) {
        return '/' + (query < 0 ? QByteArray() : target.mid(query));
    }
    return target.mid(end);
}

}  // namespace

HttpRequest::Result HttpRequest::parse(const QByteArray& data) {
    qsizetype end = data.indexOf("\r\n\r\n");
    if (end < 0) {
        end = data.indexOf("\n\n");
    }
    if (end < 0) {
        return data.size() > kMaxHeadBytes ? Result::Invalid : Result::Incomplete;
    }
    if (end > kMaxHeadBytes) {
        return Result::Invalid;
    }
    const QList<QByteArray> lines = data.left(end).split('\n');
    const QList<QByteArray> request = lines.first().trimmed().split(' ');
    if (request.size() != 3 || !request[2].startsWith("HTTP/")) {
        return Result::Invalid;
    }
    method_ = request[0];
    target_ = originForm(request[1]);
    if (!target_.startsWith('/')) {
        return Result::Invalid;
    }
    const qsizetype question = target_.indexOf('?');
    path_ = QByteArray::fromPercentEncoding(question < 0 ? target_ : target_.left(question));
    if (path_.contains('\0')) {
        return Result::Invalid;
    }
    query_.clear();
    if (question >= 0) {
        for (const QByteArray& pair : target_.mid(question + 1).split('&')) {
            if (pair.isEmpty()) {
                continue;
            }
            const qsizetype eq = pair.indexOf('=');
            const QByteArray name = eq < 0 ? pair : pair.left(eq);
            const QByteArray value = eq < 0 ? QByteArray("") : pair.mid(eq + 1);
            query_.append(
                {QByteArray::fromPercentEncoding(name), QByteArray::fromPercentEncoding(value)});
        }
    }
    headers_.clear();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            return Result::Invalid;
        }
        headers_.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
    }
    return Result::Complete;
}

QByteArray HttpRequest::queryValue(const QByteArray& name) const {
    QByteArray value;
    for (const auto& [key, v] : query_) {
        if (key == name) {
            value = v;
        }
    }
    return value;
}

QByteArray HttpRequest::header(const QByteArray& name) const {
    const QByteArray lower = name.toLower();
    for (const auto& [key, value] : headers_) {
        if (key == lower) {
            return value;
        }
    }
    return {};
}
