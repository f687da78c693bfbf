#include "connection.h"

#include "hlsstation.h"
#include "icystream.h"
#include "stationserver.h"

#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>
#include <QTimer>

#include <optional>

namespace {

QByteArray reason(int code) {
    switch (code) {
        case 200:
            return "OK";
        case 302:
            return "Found";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        default:
            return "Status";
    }
}

QByteArray contentType(const QString& suffix) {
    static const QHash<QString, QByteArray> types{{"txt", "text/plain"},
                                                  {"ini", "text/plain"},
                                                  {"pls", "audio/x-scpls"},
                                                  {"m3u", "audio/x-mpegurl"},
                                                  {"m3u8", "application/vnd.apple.mpegurl"},
                                                  {"gif", "image/gif"},
                                                  {"png", "image/png"},
                                                  {"jpg", "image/jpeg"},
                                                  {"mp3", "audio/mpeg"},
                                                  {"mp2", "audio/mpeg"},
                                                  {"aac", "audio/aac"},
                                                  {"pdf", "application/pdf"}};
    return types.value(suffix.toLower(), "application/octet-stream");
}

bool isText(const QString& suffix) {
    static const QStringList kText{"txt", "ini", "pls", "m3u", "m3u8"};
    return kText.contains(suffix.toLower());
}

bool isTrue(const QByteArray& value) {
    return value == "1" || value == "true";
}

// The body in chunks of at most 16 KiB, with the final empty chunk when `whole`.
QByteArray inChunks(const QByteArray& body, bool whole) {
    constexpr qsizetype kChunk = 16 * 1024;
    QByteArray out;
    for (qsizetype at = 0; at < body.size(); at += kChunk) {
        const QByteArray piece = body.mid(at, kChunk);
        out += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
    }
    return whole ? out + "0\r\n\r\n" : out;
}

// A non-negative count from the query; nullopt when present but malformed, -1 when absent.
std::optional<qint64> count(const HttpRequest& request, const QByteArray& name) {
    const QByteArray value = request.queryValue(name);
    if (value.isNull()) {
        return -1;
    }
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    return ok && n >= 0 ? std::optional(n) : std::nullopt;
}

}  // namespace

Connection::Connection(QTcpSocket* socket, StationServer& server)
    : QObject(&server), socket_(socket), server_(server) {
    socket_->setParent(this);
    connect(socket_, &QTcpSocket::readyRead, this, &Connection::readRequest);
    connect(socket_, &QTcpSocket::stateChanged, this, [this](QAbstractSocket::SocketState state) {
        if (state == QAbstractSocket::UnconnectedState) {
            deleteLater();
        }
    });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this] { deleteLater(); });
}

void Connection::readRequest() {
    if (answered_) {
        socket_->readAll();
        return;
    }
    received_ += socket_->readAll();
    const HttpRequest::Result result = request_.parse(received_);
    if (result == HttpRequest::Result::Incomplete) {
        return;
    }
    answered_ = true;
    server_.logRequest(received_.left(received_.indexOf("\r\n\r\n")));
    received_.clear();
    fail_ = server_.failNextRequest();
    if (result == HttpRequest::Result::Invalid) {
        sendStatus(400);
        return;
    }
    const std::optional<qint64> delay = count(request_, "delay_ms");
    if (delay && *delay > 0) {
        QTimer::singleShot(std::chrono::milliseconds(*delay), this, &Connection::answer);
    } else {
        answer();
    }
}

void Connection::answer() {
    if (fail_) {
        sendStatus(500);
        return;
    }
    const std::optional<qint64> status = count(request_, "status");
    if (!status || (*status >= 0 && *status < 100) || *status > 999 ||
        !count(request_, "delay_ms")) {
        sendStatus(400);
        return;
    }
    if (*status >= 100 && *status != 200) {
        sendStatus(static_cast<int>(*status));
        return;
    }
    if (request_.method() != "GET" && request_.method() != "HEAD") {
        sendStatus(405);
        return;
    }
    // An HLS station answers below its path: "/hls/x/live.m3u8", "/hls/x/12.ts".
    QByteArray mount = request_.path();
    QByteArray resource;
    if (!server_.station(mount)) {
        const qsizetype slash = mount.lastIndexOf('/');
        const StationConfig* hls = server_.station(mount.left(slash));
        if (hls && hls->hls != StationConfig::Hls::None) {
            resource = mount.mid(slash + 1);
            mount.truncate(slash);
        }
    }
    if (const StationConfig* station = server_.station(mount)) {
        StationConfig config = *station;
        for (const auto& [key, value] : request_.query()) {
            if (config.set(key, value) == StationConfig::SetResult::BadValue) {
                sendStatus(400);
                return;
            }
        }
        config.replaceHost(server_.host());
        if (config.hls == StationConfig::Hls::None) {
            answerStation(config);
        } else {
            answerHls(config, mount, resource);
        }
        return;
    }
    answerFile();
}

void Connection::answerStation(const StationConfig& config) {
    if (config.redirectLoop) {
        sendRedirect("http://" + server_.host() + request_.target());
        return;
    }
    if (!config.redirect.isEmpty()) {
        sendRedirect(config.redirect);
        return;
    }
    QString error;
    const std::shared_ptr<const AudioFile> audio = server_.audio(config.file, &error);
    if (!audio) {
        sendStatus(404);
        return;
    }
    const bool metadata = request_.header("Icy-MetaData").trimmed() == "1";
    if (request_.method() == "HEAD") {
        send(IcyStream::head(config, *audio, metadata));
        return;
    }
    const AudioFile::Join join =
        config.joinLive ? audio->join(server_.liveSeconds(request_.path())) : AudioFile::Join{};
    // The connection is gone by the time a drop's consequence runs: it reaches the server alone.
    (new IcyStream(socket_, config, audio, join, metadata, this))
        ->start([server = &server_, refusals = config.refuseAfterDrop] {
            server->refuseConnections(refusals);
        });
}

void Connection::answerHls(const StationConfig& config, const QByteArray& mount,
                           const QByteArray& resource) {
    const qsizetype question = request_.target().indexOf('?');
    const QByteArray query = question < 0 ? QByteArray() : request_.target().mid(question);
    const HlsAnswer answer = ::answerHls(server_, config, mount, resource, query);
    if (answer.status != 200) {
        sendStatus(answer.status);
        return;
    }
    const QByteArray head = "HTTP/1.0 200 OK\r\nContent-Type: " + answer.contentType +
                            "\r\nContent-Length: " + QByteArray::number(answer.body.size()) +
                            "\r\n\r\n";
    send(request_.method() == "HEAD" ? head : head + answer.body);
}

void Connection::answerFile() {
    const std::optional<qint64> stallAfter = count(request_, "stall_after");
    const std::optional<qint64> closeAfter = count(request_, "close_after");
    if (!stallAfter || !closeAfter) {
        sendStatus(400);
        return;
    }
    QString path;
    if (const int refused = server_.resolve(request_.path(), &path); refused != 0) {
        sendStatus(refused);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        sendStatus(403);
        return;
    }
    const QString suffix = QFileInfo(path).suffix();
    QByteArray body = file.readAll();
    if (isText(suffix)) {
        body.replace("@HOST@", server_.host());
    }
    // A content type given in the query stands in for a server that labels files its own way.
    QByteArray type = request_.queryValue("content_type");
    type.replace('\r', ' ').replace('\n', ' ');
    // Without a length, the end of the file is the close (HTTP/1.0) or the final chunk.
    const bool chunked = isTrue(request_.queryValue("chunked"));
    const bool sized = !chunked && !isTrue(request_.queryValue("no_length"));
    QByteArray head =
        (chunked ? "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked" : "HTTP/1.0 200 OK") +
        QByteArray("\r\nContent-Type: ") + (type.isEmpty() ? contentType(suffix) : type) + "\r\n";
    if (sized) {
        head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    }
    head += "\r\n";
    if (request_.method() == "HEAD") {
        send(head);
        return;
    }
    // A stalled or cut answer carries that many bytes of the file; a chunked one then lacks its
    // final chunk, so that a client can tell it from a whole one.
    const qsizetype limit = *stallAfter >= 0 ? *stallAfter : *closeAfter;
    const bool whole = limit < 0 || limit >= body.size();
    if (!whole) {
        body.truncate(limit);
    }
    if (chunked) {
        body = inChunks(body, whole);
    }
    if (*stallAfter >= 0) {
        socket_->write(head + body);
        return;
    }
    send(head + body);
}

void Connection::sendStatus(int code) {
    const QByteArray body = QByteArray::number(code) + ' ' + reason(code) + '\n';
    send("HTTP/1.0 " + QByteArray::number(code) + ' ' + reason(code) +
         "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
         "\r\n\r\n" + (request_.method() == "HEAD" ? QByteArray() : body));
}

void Connection::sendRedirect(const QByteArray& location) {
    send("HTTP/1.0 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n");
}

void Connection::send(const QByteArray& data) {
    socket_->write(data);
    socket_->disconnectFromHost();
}
