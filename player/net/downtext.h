// Small web downloads of the receiver: a URL copied to a file (station list, logos) and the
// availability probe of a station address. Both fetch http and https addresses only (redirects
// included), always ask the server afresh, accept a SHOUTcast "ICY 200 OK" answer and treat
// HTTP status 400 and above as a failure.
//
// Thread contract: both may run on any thread, several at once (each call keeps its download
// in memory, so overlapping probes never share a file); both block until the download ends.
#pragma once

#include <QString>

#include <stop_token>

namespace modDownText {

// How a copy to a file ended: the file is there, the download failed (no server, no answer,
// an error status, a limit), or the download arrived but the file could not be written.
enum class Copied { Saved, NotFetched, NotWritten };

// DownloadFile, telling the two failures apart.
Copied copyToFile(const QString& url, const QString& path);

// Copies url to path (replacing a file or a link there, never writing through a link) and
// answers true on success (copyToFile() says Saved). Fails after 10 s
// without a connection or without data, after 60 s in all, or for a body over 8 MiB; a failed
// download leaves path untouched.
bool DownloadFile(const QString& url, const QString& path);

// The text at url, or the empty text when it cannot be had. Keeps at most the first 64 KiB, and
// returns as soon as the first body bytes of an endless stream have arrived, or (with the empty
// text) within about a second of a stop requested on `stop`.
QString getUrls(const QString& url, std::stop_token stop = {});

}  // namespace modDownText
