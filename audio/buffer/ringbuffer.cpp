#include "ringbuffer.h"

#include <algorithm>
#include <cstring>

namespace zva {

RingBuffer::RingBuffer(std::size_t capacity) : data_(std::max<std::size_t>(capacity, 1)) {}

std::size_t RingBuffer::storeLocked(const std::uint8_t* data, std::size_t size) {
    const std::size_t cap = data_.size();
    const std::size_t n = std::min(size, cap - static_cast<std::size_t>(written_ - read_));
    if (n == 0) {
        return 0;
    }
    const std::size_t at = static_cast<std::size_t>(written_ % cap);
    const std::size_t first = std::min(n, cap - at);
    std::memcpy(&data_[at], data, first);
    std::memcpy(&data_[0], data + first, n - first);
    written_ += n;
    readable_.notify_all();
    return n;
}

bool RingBuffer::write(const std::uint8_t* data, std::size_t size) {
    std::unique_lock lock(mutex_);
    const std::size_t cap = data_.size();
    while (size > 0) {
        if (cancelled_) {
            return false;
        }
        const std::size_t n = storeLocked(data, size);
        data += n;
        size -= n;
        if (size > 0) {
            // Wait for half the buffer (or the rest of this block) rather than each byte, so
            // the connection is paused and resumed in large steps.
            wanted_ = std::min(size, cap / 2 + 1);
            writable_.wait(lock, [&] {
                return cancelled_ || cap - static_cast<std::size_t>(written_ - read_) >= wanted_;
            });
            wanted_ = 0;
        }
    }
    return true;
}

std::size_t RingBuffer::writeSome(const std::uint8_t* data, std::size_t size) {
    std::lock_guard lock(mutex_);
    return cancelled_ ? 0 : storeLocked(data, size);
}

std::size_t RingBuffer::fill() const {
    // read_ first: written_ only grows and never trails read_, so a later load of written_
    // cannot be smaller than this read_, whatever ran in between.
    const std::uint64_t read = read_.load();
    const std::uint64_t written = written_.load();
    return static_cast<std::size_t>(std::min<std::uint64_t>(written - read, data_.size()));
}

std::size_t RingBuffer::takeLocked(std::uint8_t* data, std::size_t size) {
    const std::size_t cap = data_.size();
    const std::size_t n = std::min(size, static_cast<std::size_t>(written_ - read_));
    const std::size_t at = static_cast<std::size_t>(read_ % cap);
    const std::size_t first = std::min(n, cap - at);
    std::memcpy(data, &data_[at], first);
    std::memcpy(data + first, &data_[0], n - first);
    read_ += n;
    // Only the read that makes enough room wakes the writer, not every read on the way there.
    if (wanted_ != 0 && cap - static_cast<std::size_t>(written_ - read_) >= wanted_) {
        writable_.notify_all();
    }
    return n;
}

std::size_t RingBuffer::read(std::uint8_t* data, std::size_t size, bool* startsAnew) {
    std::unique_lock lock(mutex_);
    readable_.wait(lock, [&] { return cancelled_ || finished_ || written_ != read_; });
    if (cancelled_) {
        return 0;
    }
    bool fresh = false;
    while (!joins_.empty() && joins_.front() <= read_ && written_ != read_) {
        joins_.pop_front();
        fresh = true;
    }
    if (!joins_.empty() && joins_.front() > read_) {
        size = std::min<std::size_t>(size, joins_.front() - read_);
    }
    if (startsAnew != nullptr) {
        *startsAnew = fresh;
    }
    return takeLocked(data, size);
}

void RingBuffer::markJoin() {
    std::lock_guard lock(mutex_);
    if (joins_.empty() || joins_.back() != written_) {
        joins_.push_back(written_);
    }
}

void RingBuffer::finish() {
    std::lock_guard lock(mutex_);
    finished_ = true;
    readable_.notify_all();
}

void RingBuffer::cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    readable_.notify_all();
    writable_.notify_all();
}

}  // namespace zva
