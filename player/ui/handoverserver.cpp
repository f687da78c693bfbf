#include "handoverserver.h"

#include "platform/localsocket.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <optional>

namespace {

// A station number is at most a few digits: a longer message without its line end is refused.
constexpr qsizetype kLongestMessage = 16;
// Out of descriptors, the server stops taking connections for a while instead of being woken
// by the same waiting connection again and again.
constexpr int kAcceptPauseMs = 1000;

// A later copy's connection, on the server's thread: it takes the later copy's line, and is
// answered or dropped.
class LaterCopy final : public QObject {
public:
    LaterCopy(int fd, QObject* parent)
        : QObject(parent), fd_(fd), readable_(fd, QSocketNotifier::Read, this) {}
    ~LaterCopy() override {
        // Off the event loop before its descriptor goes, which another socket may take next.
        readable_.setEnabled(false);
        ::close(fd_);
    }

    QSocketNotifier& readable() { return readable_; }

    // The station, once its whole line has come; a connection that ended or sent too much is
    // dropped.
    std::optional<int> takeStation() {
        char bytes[kLongestMessage];
        const ssize_t got = ::recv(fd_, bytes, sizeof bytes, 0);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            return std::nullopt;
        }
        if (got > 0) {
            received_.append(bytes, got);
        }
        if (const qsizetype end = received_.indexOf('\n'); end >= 0) {
            readable_.setEnabled(false);
            return received_.left(end).trimmed().toInt();
        }
        if (got <= 0 || received_.size() > kLongestMessage) {
            deleteLater();
        }
        return std::nullopt;
    }

    // The later copy's station has arrived; the connection ends.
    void acknowledge() {
        ::send(fd_, HandOverServer::kAcknowledgement.constData(),
               static_cast<std::size_t>(HandOverServer::kAcknowledgement.size()), MSG_NOSIGNAL);
        deleteLater();
    }

private:
    const int fd_;
    QSocketNotifier readable_;
    QByteArray received_;
};

// On the server's thread; a connection that has gone meanwhile is skipped.
void acknowledge(const QPointer<LaterCopy>& later) {
    if (later) {
        later->acknowledge();
    }
}

}  // namespace

HandOverServer::HandOverServer(QObject* parent, std::function<void(int station)> serve)
    : QObject(parent), serve_(std::move(serve)), server_(new QObject) {
    server_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, server_, &QObject::deleteLater);
    thread_.start();
}

HandOverServer::~HandOverServer() {
    thread_.quit();
    thread_.wait();
    if (listening_ >= 0) {
        ::close(listening_);
        zvlocal::removeSocket(name_);
    }
}

bool HandOverServer::listen(const QString& name, QString& reason) {
    listening_ = zvlocal::listenAt(name, reason);
    if (listening_ < 0) {
        return false;
    }
    name_ = name;
    QMetaObject::invokeMethod(
        server_,
        [this] {
            auto* incoming = new QSocketNotifier(listening_, QSocketNotifier::Read, server_);
            connect(incoming, &QSocketNotifier::activated, server_,
                    [this, incoming] { acceptLaterCopies(*incoming); });
        },
        Qt::BlockingQueuedConnection);
    return true;
}

void HandOverServer::acceptLaterCopies(QSocketNotifier& incoming) {
    for (;;) {
        const int fd = ::accept4(listening_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            if (error == EMFILE || error == ENFILE) {
                incoming.setEnabled(false);
                QTimer::singleShot(kAcceptPauseMs, &incoming,
                                   [&incoming] { incoming.setEnabled(true); });
            }
            if (error != EINTR && error != ECONNABORTED) {
                return;
            }
            continue;
        }
        auto* later = new LaterCopy(fd, server_);
        connect(&later->readable(), &QSocketNotifier::activated, later, [this, later] {
            const std::optional<int> station = later->takeStation();
            if (!station) {
                return;
            }
            // While the window is up, the later copy is answered once this copy's window has
            // come forward, as a desktop expects of an activation it asked for; before that, at
            // once, so the later copy need not wait for the loading.
            const QPointer<LaterCopy> answer(later);
            const bool answered = !up_;
            if (answered) {
                acknowledge(answer);
            }
            QMetaObject::invokeMethod(
                this,
                [this, station = *station, answer, answered] {
                    received(station);
                    if (!answered) {
                        QMetaObject::invokeMethod(
                            server_, [answer] { acknowledge(answer); }, Qt::QueuedConnection);
                    }
                },
                Qt::QueuedConnection);
        });
    }
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
