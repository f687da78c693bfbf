#include "httprequest.h"

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
    if (request.size() != 3 || !request[1].startsWith('/') || !request[2].startsWith("HTTP/")) {
        return Result::Invalid;
    }
    method_ = request[0];
    target_ = request[1];
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
