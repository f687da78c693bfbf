#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// A plain loopback TCP client for the server's tests: sends a request as given and collects
// what comes back, every wait bounded by a deadline. One thread.
class RawClient {
public:
    explicit RawClient(int port);  // connects to 127.0.0.1:port; throws on failure
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    void send(const std::string& data);
    // Reads until `count` bytes in all are in, the server closes or `timeout` passes; returns
    // how many bytes came meanwhile.
    size_t read(std::chrono::milliseconds timeout, size_t count = SIZE_MAX);

    const std::string& data() const { return data_; }
    bool closed() const { return closed_; }

private:
    int fd_ = -1;
    std::string data_;
    bool closed_ = false;
};
