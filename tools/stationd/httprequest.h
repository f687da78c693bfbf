#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// The head of one HTTP request: request line, headers, the decoded path and query. A pure value
// type with no I/O: any thread.
class HttpRequest {
public:
    enum class Result { Incomplete, Complete, Invalid };

    // The largest head accepted; a longer one is Invalid.
    static constexpr qsizetype kMaxHeadBytes = 64 * 1024;

    // Parses the head at the start of `data` (everything received so far).
    Result parse(const QByteArray& data);

    const QByteArray& method() const { return method_; }
    // The target in origin form, e.g. "/stream/mp3?drop_after=2", also when it was sent in
    // absolute form ("http://127.0.0.1:8716/stream/mp3?drop_after=2", as to a proxy).
    const QByteArray& target() const { return target_; }
    // The percent-decoded path without the query, e.g. "/stream/mp3".
    const QByteArray& path() const { return path_; }
    // Query parameters in order, names and values percent-decoded to bytes ("+" stays "+").
    const QList<QPair<QByteArray, QByteArray>>& query() const { return query_; }
    // The last value of a query parameter, or a null array when absent.
    QByteArray queryValue(const QByteArray& name) const;
    // The value of a header (name compared without regard to case), or a null array.
    QByteArray header(const QByteArray& name) const;

private:
    QByteArray method_;
    QByteArray target_;
    QByteArray path_;
    QList<QPair<QByteArray, QByteArray>> query_;
    QList<QPair<QByteArray, QByteArray>> headers_;
};
