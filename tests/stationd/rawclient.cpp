#include "rawclient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <stdexcept>

namespace {
using Clock = std::chrono::steady_clock;
}

RawClient::RawClient(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("cannot connect to 127.0.0.1:" + std::to_string(port));
    }
}

RawClient::~RawClient() {
    close(fd_);
}

void RawClient::send(const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EINTR) {
            throw std::runtime_error("send failed");
        }
        sent += n > 0 ? static_cast<size_t>(n) : 0;
    }
}

size_t RawClient::readSome(Ms timeout) {
    if (closed_) {
        return 0;
    }
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) {
        return 0;
    }
    char buffer[65536];
    const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) {
        closed_ = true;
        return 0;
    }
    data_.append(buffer, static_cast<size_t>(n));
    return static_cast<size_t>(n);
}

bool RawClient::readAtLeast(size_t count, Ms timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    while (data_.size() < count && !closed_ && Clock::now() < deadline) {
        readSome(std::chrono::duration_cast<Ms>(deadline - Clock::now()));
    }
    return data_.size() >= count;
}

bool RawClient::readUntilClosed(Ms timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    while (!closed_ && Clock::now() < deadline) {
        readSome(std::chrono::duration_cast<Ms>(deadline - Clock::now()));
    }
    return closed_;
}

size_t RawClient::readFor(Ms duration) {
    const size_t before = data_.size();
    const Clock::time_point deadline = Clock::now() + duration;
    while (!closed_ && Clock::now() < deadline) {
        readSome(std::chrono::duration_cast<Ms>(deadline - Clock::now()));
    }
    return data_.size() - before;
}
