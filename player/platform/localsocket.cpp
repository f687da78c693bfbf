#include "localsocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace zvlocal {
namespace {

// A listener whose queue is full is asked again this often.
constexpr std::chrono::milliseconds kBusyRetry{10};
constexpr int kQueueLength = 8;
// Longer than any line the hand-over sends; a peer sending more without a line end is cut off.
constexpr qsizetype kLongestLine = 64;

bool addressOf(const QString& path, sockaddr_un& address) {
    const QByteArray name = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (name.isEmpty() || static_cast<std::size_t>(name.size()) >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    return true;
}

int newSocket() {
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

// Until `fd` is ready for `events` or the deadline passes; false on the deadline.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline) {
    pollfd wanted{fd, events, 0};
    for (;;) {
        const int result =
            ::poll(&wanted, 1, static_cast<int>(std::max<qint64>(0, deadline.remainingTime())));
        if (result >= 0 || errno != EINTR) {
            return result > 0;
        }
    }
}

}  // namespace

int listenAt(const QString& path, QString& reason) {
    sockaddr_un address;
    if (!addressOf(path, address)) {
        reason = QStringLiteral("the name is too long for a socket");
        return -1;
    }
    const int fd = newSocket();
    // Nobody can connect before the listen, so the socket file is this user's alone from the
    // first connection on.
    const QByteArray file = QFile::encodeName(path);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(file.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, kQueueLength) != 0) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0) {
            ::close(fd);
        }
        return -1;
    }
    return fd;
}

Connection connectTo(const QString& path, const QDeadlineTimer& deadline) {
    using Outcome = Connection::Outcome;
    sockaddr_un address;
    if (!addressOf(path, address)) {
        return {Outcome::NobodyListens};
    }
    const int fd = newSocket();
    if (fd < 0) {
        return {Outcome::Unreachable};
    }
    while (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        if (error == EAGAIN && !deadline.hasExpired()) {
            std::this_thread::sleep_for(kBusyRetry);
            continue;
        }
        ::close(fd);
        // Only these mean that no copy is there; a full queue or a refused permission may hide
        // a running one, whose socket must stay.
        const bool nobody = error == ECONNREFUSED || error == ENOENT;
        return {nobody ? Outcome::NobodyListens : Outcome::Unreachable};
    }
    return {Outcome::Connected, fd};
}

bool sendAll(int fd, QByteArrayView bytes, const QDeadlineTimer& deadline) {
    while (!bytes.isEmpty()) {
        const ssize_t sent =
            ::send(fd, bytes.data(), static_cast<std::size_t>(bytes.size()), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes = bytes.sliced(sent);
        } else if (!(sent < 0 && (errno == EAGAIN || errno == EINTR)) ||
                   !waitFor(fd, POLLOUT, deadline)) {
            return false;
        }
    }
    return true;
}

QByteArray receiveLine(int fd, const QDeadlineTimer& deadline) {
    QByteArray line;
    while (!line.endsWith('\n') && line.size() < kLongestLine) {
        char byte = 0;
        const ssize_t got = ::recv(fd, &byte, 1, 0);
        if (got == 1) {
            line.append(byte);
        } else if (got == 0 || (errno != EAGAIN && errno != EINTR) ||
                   !waitFor(fd, POLLIN, deadline)) {
            break;
        }
    }
    return line;
}

void removeSocket(const QString& path) {
    ::unlink(QFile::encodeName(path).constData());
}

}  // namespace zvlocal
