#pragma once

#include "audiofile.h"
#include "stationconfig.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include <memory>

struct ServerOptions {
    QString root;
    quint16 port = 0;  // 0: a free port
    int failFirst = 0;
    bool refuse = false;
    QString log;  // a file that gets every request's head; empty: none
};

// The listening side: the root folder, the station table from <root>/stations.ini, the audio
// files it loops, and the server-wide misbehaviour (--fail-first, --refuse, the refusals after a
// drop). Each accepted connection gets a Connection. Everything runs on the event loop's thread;
// nothing here is shared with another thread.
class StationServer : public QObject {
public:
    explicit StationServer(ServerOptions options);

    // Reads the station table, loads its audio and starts listening on 127.0.0.1.
    bool start(QString* error);

    quint16 port() const { return listener_.serverPort(); }
    // "127.0.0.1:<port>", what "@HOST@" stands for.
    QByteArray host() const;
    // Counts one request; true while it is one of the first --fail-first requests.
    bool failNextRequest();
    // The next `count` connections are closed at once, without an answer.
    void refuseConnections(int count) { refusals_ += count; }
    // Appends a request's head, as received, and an empty line to the --log file.
    void logRequest(const QByteArray& head);
    // The station mounted at the decoded path, or null.
    const StationConfig* station(const QByteArray& path) const;
    // The file below the root that a decoded path names: 0 with the absolute path set, or the
    // HTTP status that refuses it (403 for a path leaving the root, 404 for a missing file).
    int resolve(const QByteArray& path, QString* absolute) const;
    // Seconds on the live clock of the station at `path`, which starts at the first call.
    double liveSeconds(const QByteArray& path);
    // The looped audio of a station file (a path below the root), loaded once.
    std::shared_ptr<const AudioFile> audio(const QByteArray& file, QString* error);

private:
    void accept();
    bool loadStations(QString* error);
    // Whether every master's variants are HLS stations with a bandwidth.
    bool checkVariants(const QString& path, QString* error) const;

    ServerOptions options_;
    QString root_;  // canonical, without a trailing "/"
    QTcpServer listener_;
    QHash<QByteArray, StationConfig> stations_;
    QHash<QByteArray, std::shared_ptr<const AudioFile>> audio_;
    QHash<QByteArray, QElapsedTimer> liveClocks_;  // by station path
    int requests_ = 0;
    int refusals_ = 0;  // connections still to be refused after a drop
};
