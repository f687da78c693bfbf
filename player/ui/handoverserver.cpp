#include "handoverserver.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

namespace {

// A station number is at most a few digits: a longer message without its line end is refused.
constexpr qint64 kLongestMessage = 16;

// On the server's thread, where the socket lives; a socket that has gone meanwhile is skipped.
void acknowledge(const QPointer<QLocalSocket>& socket) {
    if (socket) {
        socket->write(HandOverServer::kAcknowledgement);
        socket->disconnectFromServer();
    }
}

}  // namespace

HandOverServer::HandOverServer(QObject* parent, std::function<void(int station)> serve)
    : QObject(parent), serve_(std::move(serve)), server_(new QLocalServer) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, server_, &QObject::deleteLater);
    connect(server_, &QLocalServer::newConnection, server_, [this] {
        while (QLocalSocket* later = server_->nextPendingConnection()) {
            connect(later, &QLocalSocket::disconnected, later, &QObject::deleteLater);
            connect(later, &QLocalSocket::readyRead, later, [this, later] {
                if (!later->canReadLine()) {
                    if (later->bytesAvailable() > kLongestMessage) {
                        later->abort();
                    }
                    return;
                }
                const int station = later->readLine().trimmed().toInt();
                // While the window is up, the later copy is answered once this copy's window has
                // come forward, as a desktop expects of an activation it asked for; before that, at
                // once, so the later copy need not wait for the loading.
                const QPointer<QLocalSocket> socket(later);
                const bool answered = !up_;
                if (answered) {
                    acknowledge(socket);
                }
                QMetaObject::invokeMethod(
                    this,
                    [this, station, socket, answered] {
                        received(station);
                        if (!answered) {
                            QMetaObject::invokeMethod(
                                server_, [socket] { acknowledge(socket); }, Qt::QueuedConnection);
                        }
                    },
                    Qt::QueuedConnection);
            });
        }
    });
    thread_.start();
}

HandOverServer::~HandOverServer() {
    thread_.quit();
    thread_.wait();
}

bool HandOverServer::listen(const QString& name, QString& reason) {
    bool listening = false;
    QMetaObject::invokeMethod(
        server_,
        [&] {
            listening = server_->listen(name);
            reason = server_->errorString();
        },
        Qt::BlockingQueuedConnection);
    return listening;
}

void HandOverServer::windowUp() {
    up_ = true;
    for (const int station : std::exchange(waiting_, {})) {
        serve_(station);
    }
}

void HandOverServer::received(int station) {
    if (up_) {
        serve_(station);
    } else {
        waiting_.push_back(station);
    }
}
