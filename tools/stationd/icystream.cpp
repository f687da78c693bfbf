#include "icystream.h"

#include <QTcpSocket>

#include <algorithm>
#include <cmath>

namespace {

constexpr auto kTick = std::chrono::milliseconds(20);
// Audio is produced only while less than this waits in the socket's own buffer.
constexpr qint64 kWriteWindow = 64 * 1024;
constexpr qint64 kMaxBlockBytes = 255 * 16;

}  // namespace

IcyStream::IcyStream(QTcpSocket* socket, StationConfig config,
                     std::shared_ptr<const AudioFile> audio, AudioFile::Join join,
                     bool metadataRequested, QObject* parent)
    : QObject(parent),
      socket_(socket),
      config_(std::move(config)),
      audio_(std::move(audio)),
      metaint_(metadataRequested && !config_.noMetadata ? config_.metaint : 0),
      rate_(audio_->bytesPerSecond() * config_.tricklePercent / 100.0),
      capacity_(std::max<double>(static_cast<double>(config_.burst), rate_ * 0.2)),
      headers_(std::move(join.headers)),
      filePosition_(join.position) {
    ticker_.setTimerType(Qt::PreciseTimer);
    connect(&ticker_, &QTimer::timeout, this, &IcyStream::tick);
}

QByteArray IcyStream::head(const StationConfig& config, const AudioFile& audio,
                           bool metadataRequested) {
    QByteArray head = config.statusLine + "\r\nContent-Type: " +
                      (config.contentType.isEmpty() ? audio.contentType() : config.contentType) +
                      "\r\n";
    for (auto it = config.icyHeaders.constBegin(); it != config.icyHeaders.constEnd(); ++it) {
        head += it.key() + ": " + it.value() + "\r\n";
    }
    if (metadataRequested && !config.noMetadata && config.metaint > 0) {
        head += "icy-metaint: " + QByteArray::number(config.metaint) + "\r\n";
    }
    head += "Cache-Control: no-cache\r\n";
    const qint64 target = head.size() + config.headerPadding;
    for (int n = 0; head.size() < target; ++n) {
        const QByteArray name = "X-Padding-" + QByteArray::number(n) + ": ";
        head += name + QByteArray(std::max<qsizetype>(1, 1000 - name.size()), 'a') + "\r\n";
    }
    return head + "\r\n";
}

void IcyStream::start(std::function<void()> dropped) {
    socket_->write(head(config_, *audio_, metaint_ > 0));
    if (config_.dropAfter >= 0) {
        QTimer::singleShot(std::chrono::milliseconds(std::llround(config_.dropAfter * 1000)), this,
                           [this, dropped = std::move(dropped)] {
                               ticker_.stop();
                               socket_->abort();
                               dropped();
                           });
    }
    clock_.start();
    credit_ = static_cast<double>(config_.burst);
    ticker_.start(kTick);
    tick();
}

void IcyStream::tick() {
    if (socket_->state() != QAbstractSocket::ConnectedState) {
        return;
    }
    const double now = clock_.nsecsElapsed() / 1e9;
    const double elapsed = now - lastTick_;
    lastTick_ = now;
    if (config_.stallAt >= 0 && now >= config_.stallAt &&
        now < config_.stallAt + config_.stallFor) {
        credit_ = 0;
        return;
    }
    credit_ = std::min(credit_ + rate_ * elapsed, capacity_);
    qint64 audioCount =
        std::min<qint64>(static_cast<qint64>(credit_), kWriteWindow - socket_->bytesToWrite());
    if (audioCount <= 0) {
        return;
    }
    credit_ -= static_cast<double>(audioCount);
    QByteArray out;
    while (audioCount > 0) {
        const qint64 run = metaint_ > 0 ? std::min(audioCount, metaint_ - sinceBlock_) : audioCount;
        out += audioBytes(run);
        audioCount -= run;
        sinceBlock_ += run;
        if (metaint_ > 0 && sinceBlock_ == metaint_) {
            out += metadataBlock(now);
            sinceBlock_ = 0;
        }
    }
    socket_->write(out);
}

QByteArray IcyStream::audioBytes(qint64 count) {
    const QByteArray& frames = audio_->bytes();
    QByteArray out;
    out.reserve(count);
    while (out.size() < count) {
        if (!garbageDone_ && config_.garbageAfter >= 0 && audioSent_ == config_.garbageAfter) {
            garbageDone_ = true;
            garbageLeft_ = config_.garbageLength;
        }
        qint64 take = count - out.size();
        if (garbageLeft_ > 0) {
            take = std::min(take, garbageLeft_);
            for (qint64 i = 0; i < take; ++i) {
                out += static_cast<char>(random_() & 0xFF);
            }
            garbageLeft_ -= take;
        } else {
            if (!garbageDone_ && config_.garbageAfter >= 0) {
                take = std::min(take, config_.garbageAfter - audioSent_);
            }
            if (headersSent_ < headers_.size()) {
                take = std::min(take, headers_.size() - headersSent_);
                out.append(headers_.constData() + headersSent_, take);
                headersSent_ += take;
            } else {
                take = std::min(take, frames.size() - filePosition_);
                out.append(frames.constData() + filePosition_, take);
                filePosition_ = (filePosition_ + take) % frames.size();
            }
        }
        audioSent_ += take;
    }
    return out;
}

QByteArray IcyStream::metadataBlock(double now) {
    if (config_.titles.isEmpty()) {
        return QByteArray(1, '\0');
    }
    const auto slot = config_.titleBytes > 0
                          ? audioSent_ / config_.titleBytes
                          : static_cast<qint64>(std::floor(now / config_.titleInterval));
    const qint64 title = slot % config_.titles.size();
    if (title == lastTitle_) {
        return QByteArray(1, '\0');
    }
    lastTitle_ = title;
    const QByteArray text =
        ("StreamTitle='" + config_.titles[title] + "';StreamUrl='" + config_.streamUrl + "';")
            .left(kMaxBlockBytes);
    const auto blocks = static_cast<int>((text.size() + 15) / 16);
    QByteArray block(1, static_cast<char>(config_.metaOverrun ? 255 : blocks));
    block += text;
    block += QByteArray(blocks * 16 - text.size(), '\0');
    return block;
}
