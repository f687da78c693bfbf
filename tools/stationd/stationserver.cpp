#include "stationserver.h"

#include <QFile>

#include "connection.h"
#include "inifile.h"

#include <QDir>
#include <QFileInfo>
#include <QTcpSocket>

StationServer::StationServer(ServerOptions options) : options_(std::move(options)) {
    connect(&listener_, &QTcpServer::newConnection, this, &StationServer::accept);
}

bool StationServer::start(QString* error) {
    root_ = QFileInfo(options_.root).canonicalFilePath();
    if (root_.isEmpty() || !QFileInfo(root_).isDir()) {
        *error = QStringLiteral("%1: not a folder").arg(options_.root);
        return false;
    }
    if (!loadStations(error)) {
        return false;
    }
    if (!listener_.listen(QHostAddress::LocalHost, options_.port)) {
        *error = listener_.errorString();
        return false;
    }
    return true;
}

QByteArray StationServer::host() const {
    return "127.0.0.1:" + QByteArray::number(port());
}

bool StationServer::failNextRequest() {
    return requests_++ < options_.failFirst;
}

const StationConfig* StationServer::station(const QByteArray& path) const {
    const auto found = stations_.constFind(path);
    return found == stations_.constEnd() ? nullptr : &*found;
}

int StationServer::resolve(const QByteArray& path, QString* absolute) const {
    for (const QByteArray& segment : path.split('/')) {
        if (segment == "..") {
            return 403;
        }
    }
    const QFileInfo info(root_ + '/' + QString::fromUtf8(path));
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty() || !info.isFile()) {
        return 404;
    }
    if (!canonical.startsWith(root_ + '/')) {
        return 403;
    }
    *absolute = canonical;
    return 0;
}

double StationServer::liveSeconds(const QByteArray& path) {
    QElapsedTimer& clock = liveClocks_[path];
    if (!clock.isValid()) {
        clock.start();
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

std::shared_ptr<const AudioFile> StationServer::audio(const QByteArray& file, QString* error) {
    if (const auto cached = audio_.constFind(file); cached != audio_.constEnd()) {
        return *cached;
    }
    QString path;
    if (resolve(file, &path) != 0) {
        *error = QStringLiteral("%1: no such file below the root").arg(QString::fromUtf8(file));
        return nullptr;
    }
    std::shared_ptr<const AudioFile> loaded = AudioFile::load(path, error);
    if (loaded) {
        audio_.insert(file, loaded);
    }
    return loaded;
}

void StationServer::accept() {
    while (QTcpSocket* socket = listener_.nextPendingConnection()) {
        if (options_.refuse || refusals_ > 0) {
            refusals_ = std::max(0, refusals_ - 1);
            socket->close();
            socket->deleteLater();
            continue;
        }
        new Connection(socket, *this);
    }
}

bool StationServer::loadStations(QString* error) {
    const QString path = root_ + QStringLiteral("/stations.ini");
    if (!QFileInfo::exists(path)) {
        return true;
    }
    IniFile ini;
    if (!ini.load(path, error)) {
        return false;
    }
    for (const IniFile::Section& section : ini.sections()) {
        const QString where = QStringLiteral("%1:%2").arg(path);
        if (!section.name.startsWith('/')) {
            *error = where.arg(section.line) + QStringLiteral(": a station path begins with /");
            return false;
        }
        StationConfig config;
        for (const IniFile::Entry& entry : section.entries) {
            switch (config.set(entry.key, entry.value)) {
                case StationConfig::SetResult::Done:
                    break;
                case StationConfig::SetResult::UnknownKey:
                    *error = where.arg(entry.line) + QStringLiteral(": unknown key ") +
                             QString::fromUtf8(entry.key);
                    return false;
                case StationConfig::SetResult::BadValue:
                    *error = where.arg(entry.line) + QStringLiteral(": bad value for ") +
                             QString::fromUtf8(entry.key);
                    return false;
            }
        }
        const bool audible = config.redirect.isEmpty() && !config.redirectLoop &&
                             config.hls != StationConfig::Hls::Master;
        const std::shared_ptr<const AudioFile> loaded =
            audible ? audio(config.file, error) : nullptr;
        if (audible && !loaded) {
            *error = where.arg(section.line) + QStringLiteral(": ") + *error;
            return false;
        }
        if (loaded && config.hls != StationConfig::Hls::None && loaded->frames().empty()) {
            *error = where.arg(section.line) + QStringLiteral(": HLS needs MPEG audio or ADTS");
            return false;
        }
        stations_.insert(section.name, config);
    }
    return checkVariants(path, error);
}

bool StationServer::checkVariants(const QString& path, QString* error) const {
    for (auto station = stations_.constBegin(); station != stations_.constEnd(); ++station) {
        for (const QByteArray& variant : station->variants) {
            const StationConfig* found = this->station(variant);
            if (!found || found->hls == StationConfig::Hls::None ||
                found->hls == StationConfig::Hls::Master || found->bandwidth <= 0) {
                *error =
                    QStringLiteral(
                        "%1: [%2]: variant %3 is not an HLS station with a "
                        "bandwidth")
                        .arg(path, QString::fromUtf8(station.key()), QString::fromUtf8(variant));
                return false;
            }
        }
    }
    return true;
}

void StationServer::logRequest(const QByteArray& head) {
    if (options_.log.isEmpty()) {
        return;
    }
    QFile file(options_.log);
    if (file.open(QIODevice::Append)) {
        file.write(head.trimmed() + "\r\n\r\n");
    }
}
