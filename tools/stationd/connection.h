#pragma once

#include "httprequest.h"

#include <QByteArray>
#include <QObject>

class QTcpSocket;
class StationServer;
struct StationConfig;

// One client connection: reads the request head, then answers it once: a server fault, an
// error status, a redirect, a station stream, an HLS playlist or segment or a file, each with the
// per-request parameters of its query. HTTP/1.0: the connection closes after the answer. Owns its
// socket and deletes itself when the socket closes. Event loop thread only.
class Connection : public QObject {
public:
    Connection(QTcpSocket* socket, StationServer& server);

private:
    void readRequest();
    void answer();
    void answerStation(const StationConfig& config);
    // A playlist or segment of an HLS station; `resource` is empty for the station's own path.
    void answerHls(const StationConfig& config, const QByteArray& mount,
                   const QByteArray& resource);
    void answerFile();
    void sendStatus(int code);
    void sendRedirect(const QByteArray& location);
    // Writes the answer and closes once it has gone out.
    void send(const QByteArray& data);

    QTcpSocket* socket_;
    StationServer& server_;
    QByteArray received_;
    HttpRequest request_;
    bool answered_ = false;
    bool fail_ = false;
};
