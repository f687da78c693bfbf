#include "mixchannel.h"

#include <algorithm>
#include <cmath>

#include "../buffer/ringbuffer.h"

namespace zva {
namespace {

// Gain change per frame: a full 0 → 1 swing takes 10 ms, short enough to follow a slider and
// long enough not to click.
constexpr float kGainStep = 1.0f / (MixChannel::kRate / 100);

}  // namespace

MixChannel::MixChannel(std::size_t capacityFrames, const RingBuffer* ring)
    : fifo_(capacityFrames * 2), ring_(ring), levelHistory_(kLevelFrames * 2) {}

std::size_t MixChannel::push(const float* stereo, std::size_t frames) {
    std::lock_guard lock(mutex_);
    const std::size_t capacity = fifo_.size() / 2;
    const std::size_t n = std::min(frames, capacity - count_);
    const std::size_t end = (readPos_ + count_) % capacity;
    const std::size_t first = std::min(n, capacity - end);
    std::copy_n(stereo, first * 2, &fifo_[end * 2]);
    std::copy_n(stereo + first * 2, (n - first) * 2, &fifo_[0]);
    count_ += n;
    return n;
}

bool MixChannel::waitForRoom(std::size_t frames) {
    std::unique_lock lock(mutex_);
    const std::size_t capacity = fifo_.size() / 2;
    frames = std::min(frames, capacity);
    if (capacity - count_ < frames) {
        // Once it has to wait, the decoder waits for half the FIFO: it then decodes in large
        // steps instead of waking for every period the output takes.
        roomWanted_ = std::max(frames, capacity / 2);
        roomAvailable_.wait(lock, [&] { return cancelled_ || capacity - count_ >= roomWanted_; });
        roomWanted_ = 0;
    }
    return !cancelled_;
}

void MixChannel::endOfSource() {
    std::lock_guard lock(mutex_);
    sourceEnded_ = true;
}

void MixChannel::cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    roomAvailable_.notify_all();
}

bool MixChannel::refilledLocked() const {
    return sourceEnded_ || ring_->finished() || ring_->fill() >= ring_->capacity() / 4;
}

void MixChannel::mixInto(float* out, std::size_t frames) {
    std::lock_guard lock(mutex_);
    if (state_ == State::Stalled && refilledLocked() && count_ > 0) {
        state_ = State::Playing;
    }
    if (state_ != State::Playing) {
        return;
    }
    const std::size_t capacity = fifo_.size() / 2;
    const float left = volume_ * (pan_ > 0.0f ? 1.0f - pan_ : 1.0f);
    const float right = volume_ * (pan_ < 0.0f ? 1.0f + pan_ : 1.0f);
    const std::array<float, 2> target{left, right};
    const std::size_t n = std::min(frames, count_);
    // In runs that wrap neither the FIFO nor the level history, so no frame pays for an index
    // wrap; the gain ramp is only worked out while a gain is moving.
    for (std::size_t done = 0; done < n;) {
        const std::size_t run = std::min({n - done, capacity - readPos_, kLevelFrames - levelPos_});
        const float* in = &fifo_[readPos_ * 2];
        float* level = &levelHistory_[levelPos_ * 2];
        float* mixed = out + done * 2;
        if (gain_ == target) {
            for (std::size_t i = 0; i < run * 2; i += 2) {
                level[i] = std::fabs(in[i]);
                level[i + 1] = std::fabs(in[i + 1]);
                mixed[i] += in[i] * target[0];
                mixed[i + 1] += in[i + 1] * target[1];
            }
        } else {
            for (std::size_t i = 0; i < run * 2; i += 2) {
                for (std::size_t c = 0; c < 2; ++c) {
                    if (gain_[c] < target[c]) {
                        gain_[c] = std::min(target[c], gain_[c] + kGainStep);
                    } else if (gain_[c] > target[c]) {
                        gain_[c] = std::max(target[c], gain_[c] - kGainStep);
                    }
                    level[i + c] = std::fabs(in[i + c]);
                    mixed[i + c] += in[i + c] * gain_[c];
                }
            }
        }
        readPos_ = (readPos_ + run) % capacity;
        levelPos_ = (levelPos_ + run) % kLevelFrames;
        count_ -= run;
        done += run;
    }
    if (roomWanted_ != 0 && capacity - count_ >= roomWanted_) {
        roomAvailable_.notify_one();
    }
    if (n < frames) {
        // Ran dry: the rest of this period is silence. The next sound fades in from zero.
        gain_ = {0.0f, 0.0f};
        std::fill(levelHistory_.begin(), levelHistory_.end(), 0.0f);
        state_ = sourceEnded_ ? State::Stopped : State::Stalled;
    }
}

void MixChannel::play() {
    std::lock_guard lock(mutex_);
    if (state_ == State::Playing || state_ == State::Stalled) {
        return;
    }
    if (sourceEnded_ && count_ == 0) {
        return;
    }
    gain_ = {0.0f, 0.0f};
    std::fill(levelHistory_.begin(), levelHistory_.end(), 0.0f);
    // Started before anything was decoded: wait for sound as after a stall.
    state_ = count_ > 0 ? State::Playing : State::Stalled;
}

void MixChannel::stop() {
    std::lock_guard lock(mutex_);
    state_ = State::Stopped;
}

void MixChannel::pause() {
    std::lock_guard lock(mutex_);
    if (state_ == State::Playing || state_ == State::Stalled) {
        state_ = State::Paused;
    }
}

MixChannel::State MixChannel::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void MixChannel::setVolume(float volume) {
    std::lock_guard lock(mutex_);
    volume_ = std::clamp(volume, 0.0f, 1.0f);
}

void MixChannel::setPan(float pan) {
    std::lock_guard lock(mutex_);
    pan_ = std::clamp(pan, -1.0f, 1.0f);
}

std::array<int, 2> MixChannel::level() const {
    std::lock_guard lock(mutex_);
    std::array<float, 2> peak{0.0f, 0.0f};
    for (std::size_t i = 0; i < kLevelFrames; ++i) {
        peak[0] = std::max(peak[0], levelHistory_[i * 2]);
        peak[1] = std::max(peak[1], levelHistory_[i * 2 + 1]);
    }
    return {static_cast<int>(std::lround(std::min(peak[0], 1.0f) * 32768.0f)),
            static_cast<int>(std::lround(std::min(peak[1], 1.0f) * 32768.0f))};
}

}  // namespace zva
