#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace zva {

// The download buffer: a fixed byte ring between the download thread (the one writer) and the
// decoder thread (the one reader). A writer that finds it full waits until it is half empty
// (back-pressure on the connection); a reader waits for data. cancel() wakes both for good.
//
// Thread contract: write() and finish() from the writer thread, read() from the reader thread,
// everything else from any thread.
class RingBuffer {
public:
    explicit RingBuffer(std::size_t capacity);

    std::size_t capacity() const { return data_.size(); }

    // Stores all of `data`, waiting for room; false when cancelled first.
    bool write(const std::uint8_t* data, std::size_t size);
    // Stores as much of `data` as fits now, without waiting: the bytes stored.
    std::size_t writeSome(const std::uint8_t* data, std::size_t size);
    // Takes up to `size` bytes, waiting until there are some; 0 once the writer has finished
    // and everything was read, or when cancelled. `startsAnew`, when given, tells whether the
    // bytes are the first after a join.
    std::size_t read(std::uint8_t* data, std::size_t size, bool* startsAnew = nullptr);
    // The next bytes written are the first of a new connection.
    void markJoin();

    void finish();
    void cancel();

    bool finished() const { return finished_.load(); }
    // Safe from any thread: never more than the capacity, however the two sides move meanwhile.
    std::size_t fill() const;
    std::uint64_t totalWritten() const { return written_.load(); }
    std::uint64_t totalRead() const { return read_.load(); }

private:
    std::size_t takeLocked(std::uint8_t* data, std::size_t size);
    std::size_t storeLocked(const std::uint8_t* data, std::size_t size);

    std::vector<std::uint8_t>
        data_;  // fixed size; bytes between the counters are guarded by mutex_
    std::mutex mutex_;
    std::condition_variable readable_;
    std::condition_variable writable_;
    std::atomic<std::uint64_t> written_{0};  // changed under mutex_, read anywhere
    std::atomic<std::uint64_t> read_{0};     // changed under mutex_, read anywhere
    std::atomic<bool> finished_{false};
    bool cancelled_ = false;  // guarded by mutex_
    std::size_t wanted_ = 0;  // guarded by mutex_; room the waiting writer needs, 0: none waits
    std::deque<std::uint64_t> joins_;  // guarded by mutex_; write positions of joins not read
};

}  // namespace zva
