#pragma once

#include "audiofile.h"
#include "stationconfig.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <random>

class QTcpSocket;

// One listener of a station: the answer head, then the looped audio (from where it joins, after
// the header pages it needs first), first a burst and then
// paced at the file's bit rate (a token bucket refilled every tick, never holding more than the
// burst, so a client that stops reading is not flooded later), with ICY metadata blocks every
// metaint audio bytes when the client asked for them, and the station's faults. Writes to a
// socket owned by its parent. Event loop thread only.
class IcyStream : public QObject {
public:
    IcyStream(QTcpSocket* socket, StationConfig config, std::shared_ptr<const AudioFile> audio,
              AudioFile::Join join, bool metadataRequested, QObject* parent);

    // The answer head: status line, headers, filler and the blank line.
    static QByteArray head(const StationConfig& config, const AudioFile& audio,
                           bool metadataRequested);

    // Writes the head and the burst and starts pacing; `dropped` runs when drop_after closes the
    // connection.
    void start(std::function<void()> dropped);

private:
    void tick();
    // The next `count` audio bytes: the join's header pages, then the looped file, with the
    // garbage fault spliced in.
    QByteArray audioBytes(qint64 count);
    // The metadata block due after the current metaint run.
    QByteArray metadataBlock(double now);

    QTcpSocket* socket_;
    const StationConfig config_;
    const std::shared_ptr<const AudioFile> audio_;
    const qint64 metaint_;  // 0: no metadata on this connection
    const double rate_;     // audio bytes per second
    const double capacity_;
    QTimer ticker_;
    QElapsedTimer clock_;
    double lastTick_ = 0;
    double credit_ = 0;
    const QByteArray headers_;
    qint64 headersSent_ = 0;
    qint64 filePosition_;
    qint64 audioSent_ = 0;  // audio bytes written, garbage included
    qint64 sinceBlock_ = 0;
    qint64 garbageLeft_ = 0;
    bool garbageDone_ = false;
    qint64 lastTitle_ = -1;
    std::minstd_rand random_;
};
