#pragma once

#include <chrono>
#include <string>

// A plain loopback TCP client for the server's tests: sends a request as given and collects
// what comes back, every wait bounded by a deadline. One thread.
class RawClient {
public:
    using Ms = std::chrono::milliseconds;

    explicit RawClient(int port);  // connects to 127.0.0.1:port; throws on failure
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    void send(const std::string& data);
    // Reads once: waits up to `timeout` for bytes, appends them; returns how many arrived
    // (0 on timeout or when the server has closed).
    size_t readSome(Ms timeout);
    // Reads until at least `count` bytes are in; false when the deadline or the end came first.
    bool readAtLeast(size_t count, Ms timeout);
    // Reads until the server closes; false when the deadline came first.
    bool readUntilClosed(Ms timeout);
    // Reads for the whole duration (or until the server closes); returns the bytes that came.
    size_t readFor(Ms duration);

    const std::string& data() const { return data_; }
    bool closed() const { return closed_; }

private:
    int fd_ = -1;
    std::string data_;
    bool closed_ = false;
};
