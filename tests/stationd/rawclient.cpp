#include "rawclient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <stdexcept>

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
    // A request fits the socket's empty send buffer: one call sends it whole.
    if (::send(fd_, data.data(), data.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(data.size())) {
        throw std::runtime_error("send failed");
    }
}

size_t RawClient::read(std::chrono::milliseconds timeout, size_t count) {
    using Clock = std::chrono::steady_clock;
    const size_t before = data_.size();
    const Clock::time_point deadline = Clock::now() + timeout;
    while (!closed_ && data_.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        char buffer[65536];
        const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
        closed_ = n <= 0;
        data_.append(buffer, n > 0 ? static_cast<size_t>(n) : 0);
    }
    return data_.size() - before;
}
