#include "mixchannel.h"

#include <algorithm>
#include <cmath>

#include "buffer/ringbuffer.h"

namespace zva {

namespace {

// The most frames levelled at a time; the stage hands out up to a block more than it takes.
constexpr std::size_t kLevelStep = 4096;

}  // namespace

MixChannel::MixChannel(std::size_t capacityFrames, const RingBuffer* ring,
                       const LevelSettings* level)
    : levelSettings_(level),
      leveller_(level != nullptr ? std::make_unique<Leveller>() : nullptr),
      levelled_(level != nullptr ? (kLevelStep + Leveller::kLookahead + Leveller::kBlock) * 2 : 0),
      fifo_(capacityFrames * 2),
      ring_(ring) {}

std::size_t MixChannel::push(const float* stereo, std::size_t frames) {
    if (leveller_ == nullptr) {
        std::lock_guard lock(mutex_);
        return storeLocked(stereo, frames);
    }
    std::lock_guard levelLock(levelMutex_);
    std::size_t room = 0;
    {
        std::lock_guard lock(mutex_);
        room = fifo_.size() / 2 - count_;
    }
    // Only the decoder thread fills the FIFO, so the room can only grow meanwhile.
    const std::size_t n = std::min(
        {frames, kLevelStep, room > Leveller::kBlock ? room - Leveller::kBlock : std::size_t(0)});
    leveller_->setEnabled(levelSettings_->on.load());
    leveller_->setTarget(static_cast<float>(levelSettings_->targetTenths.load()) / 10.0f);
    const std::size_t levelled = leveller_->process(stereo, n, levelled_.data());
    std::lock_guard lock(mutex_);
    storeLocked(levelled_.data(), levelled);
    return n;
}

std::size_t MixChannel::storeLocked(const float* stereo, std::size_t frames) {
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
    // The levelling stage may hand out a block more than it takes.
    frames = std::min(frames + (leveller_ != nullptr ? Leveller::kBlock : 0), capacity);
    // Until the channel first plays, the decoder keeps only a short lead: the rest of the sound
    // waits in the download buffer, whose fill is what a player watches before it starts.
    const auto waitsForPlay = [&] { return !played_ && count_ >= kLeadFrames; };
    if (capacity - count_ < frames || waitsForPlay()) {
        // Once it has to wait for room, the decoder waits for half the FIFO: it then decodes in
        // large steps instead of waking for every period the output takes.
        roomWanted_ = capacity - count_ < frames ? std::max(frames, capacity / 2) : frames;
        roomAvailable_.wait(lock, [&] {
            return cancelled_ || (capacity - count_ >= roomWanted_ && !waitsForPlay());
        });
        roomWanted_ = 0;
    }
    return !cancelled_;
}

void MixChannel::endOfSource() {
    std::lock_guard levelLock(levelMutex_);
    // The frames the levelling stage holds for its look-ahead end the sound; when the FIFO is
    // too full for them, the few milliseconds that do not fit are lost.
    const std::size_t tail = leveller_ != nullptr ? leveller_->flush(levelled_.data()) : 0;
    std::lock_guard lock(mutex_);
    storeLocked(levelled_.data(), tail);
    sourceEnded_ = true;
    // A channel that waits for sound when the last of it has played waits for nothing.
    if (state_ == State::Stalled && count_ == 0) {
        state_ = State::Stopped;
    }
}

void MixChannel::cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    roomAvailable_.notify_all();
}

bool MixChannel::refilledLocked() const {
    return sourceEnded_ || ring_->finished() || ring_->fill() >= ring_->capacity() / 4;
}

std::array<float, 2> MixChannel::targetGainLocked() const {
    return {volume_ * (pan_ > 0.0f ? 1.0f - pan_ : 1.0f),
            volume_ * (pan_ < 0.0f ? 1.0f + pan_ : 1.0f)};
}

void MixChannel::mixInto(float* out, std::size_t frames, Clock::time_point playAt) {
    std::lock_guard lock(mutex_);
    if (state_ == State::Stalled && refilledLocked() && count_ > 0) {
        state_ = State::Playing;
    }
    if (state_ != State::Playing) {
        fadeOutLocked(out, frames);
        return;
    }
    if (count_ < frames && !sourceEnded_ && !ring_->finished() && ring_->fill() == 0) {
        // The download buffer ran dry and the sound ends within this period: its last frames
        // fade out rather than break off, as a stop does.
        const std::size_t fade = std::min(count_, kFadeFrames);
        const std::size_t done = renderLocked(out, count_ - fade, targetGainLocked(), &playAt);
        // However few frames are left, the fade reaches silence on the last of them.
        const float loudest = std::max(gain_[0], gain_[1]);
        const float step = fade > 0 ? std::max(kGainStep, loudest / static_cast<float>(fade)) : 0;
        renderLocked(out + done * 2, fade, {0.0f, 0.0f}, nullptr, step);
        gain_ = {0.0f, 0.0f};
        clearLevelLocked();
        state_ = State::Stalled;
        return;
    }
    if (renderLocked(out, frames, targetGainLocked(), &playAt) < frames) {
        // Ran dry: the rest of this period is silence. The next sound fades in from zero.
        gain_ = {0.0f, 0.0f};
        clearLevelLocked();
        state_ = sourceEnded_ ? State::Stopped : State::Stalled;
    }
}

bool MixChannel::audible() const {
    std::lock_guard lock(mutex_);
    return gain_[0] > 0.0f || gain_[1] > 0.0f;
}

std::size_t MixChannel::fadeOutInto(float* out, std::size_t frames) {
    std::lock_guard lock(mutex_);
    return fadeOutLocked(out, frames);
}

std::size_t MixChannel::fadeOutLocked(float* out, std::size_t frames) {
    // The gain falls by kGainStep a frame: silent after this many frames.
    const auto left = static_cast<std::size_t>(std::ceil(std::max(gain_[0], gain_[1]) / kGainStep));
    const std::size_t wanted = std::min(frames, left);
    const std::size_t done = renderLocked(out, wanted, {0.0f, 0.0f}, nullptr);
    if (done < wanted) {
        // Ran dry: there is no sound left to fade.
        gain_ = {0.0f, 0.0f};
    }
    return done;
}

std::size_t MixChannel::renderLocked(float* out, std::size_t frames, std::array<float, 2> target,
                                     const Clock::time_point* playAt, float step) {
    const std::size_t capacity = fifo_.size() / 2;
    const std::size_t n = std::min(frames, count_);
    // In runs that neither wrap the FIFO nor cross a level block, so no frame pays for an index
    // wrap or a block check; the gain ramp is only worked out while a gain is moving.
    for (std::size_t done = 0; done < n;) {
        const std::size_t run =
            std::min({n - done, capacity - readPos_, kBlockFrames - done % kBlockFrames});
        const float* in = &fifo_[readPos_ * 2];
        float* mixed = out + done * 2;
        std::array<float, 2> peak{0.0f, 0.0f};
        if (gain_ == target) {
            for (std::size_t i = 0; i < run * 2; i += 2) {
                peak[0] = std::max(peak[0], std::fabs(in[i]));
                peak[1] = std::max(peak[1], std::fabs(in[i + 1]));
                mixed[i] += in[i] * target[0];
                mixed[i + 1] += in[i + 1] * target[1];
            }
        } else {
            for (std::size_t i = 0; i < run * 2; i += 2) {
                for (std::size_t c = 0; c < 2; ++c) {
                    if (gain_[c] < target[c]) {
                        gain_[c] = std::min(target[c], gain_[c] + step);
                    } else if (gain_[c] > target[c]) {
                        gain_[c] = std::max(target[c], gain_[c] - step);
                    }
                    peak[c] = std::max(peak[c], std::fabs(in[i + c]));
                    mixed[i + c] += in[i + c] * gain_[c];
                }
            }
        }
        if (playAt != nullptr) {
            recordLevelLocked(peak, *playAt, done, run);
        }
        readPos_ = (readPos_ + run) % capacity;
        count_ -= run;
        done += run;
    }
    if (roomWanted_ != 0 && capacity - count_ >= roomWanted_) {
        roomAvailable_.notify_one();
    }
    return n;
}

void MixChannel::recordLevelLocked(std::array<float, 2> peak, Clock::time_point playAt,
                                   std::size_t from, std::size_t frames) {
    const auto heardAt = [&](std::size_t frame) {
        return playAt + std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(
                            static_cast<long long>(frame) * 1000000000 / kRate));
    };
    // Blocks start at every kBlockFrames-th frame of a period; a run that starts inside one
    // follows a FIFO wrap and extends it.
    if (from % kBlockFrames == 0) {
        levelNewest_ = (levelNewest_ + 1) % kLevelBlocks;
        levelBlocks_[levelNewest_] = {{0.0f, 0.0f}, heardAt(from), {}};
    }
    LevelBlock& block = levelBlocks_[levelNewest_];
    block.peak = {std::max(block.peak[0], peak[0]), std::max(block.peak[1], peak[1])};
    block.end = heardAt(from + frames);
}

void MixChannel::clearLevelLocked() {
    levelBlocks_.fill(LevelBlock{});
}

void MixChannel::play() {
    std::lock_guard lock(mutex_);
    if (!played_) {
        played_ = true;
        roomAvailable_.notify_all();
    }
    if (state_ == State::Playing || state_ == State::Stalled) {
        return;
    }
    if (sourceEnded_ && count_ == 0) {
        return;
    }
    // The gain is zero, or part-way down a fade that now turns back up without a jump.
    clearLevelLocked();
    if (count_ == 0) {
        // Started before anything was decoded: wait for sound as after a stall.
        gain_ = {0.0f, 0.0f};
        state_ = State::Stalled;
        return;
    }
    state_ = State::Playing;
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

float MixChannel::volume() const {
    std::lock_guard lock(mutex_);
    return volume_;
}

float MixChannel::pan() const {
    std::lock_guard lock(mutex_);
    return pan_;
}

std::optional<float> MixChannel::loudness() const {
    std::lock_guard levelLock(levelMutex_);
    return leveller_ != nullptr ? leveller_->loudness() : std::nullopt;
}

float MixChannel::secondsMeasured() const {
    std::lock_guard levelLock(levelMutex_);
    return leveller_ != nullptr ? leveller_->secondsMeasured() : 0.0f;
}

void MixChannel::setStartLoudness(float lufs) {
    std::lock_guard levelLock(levelMutex_);
    if (leveller_ == nullptr) {
        return;
    }
    std::lock_guard lock(mutex_);
    const float before = leveller_->gainDb();
    leveller_->setStartLoudness(lufs, !played_);
    if (played_) {
        return;
    }
    // Nothing has been heard: the sound queued so far takes the new gain as well, as far as its
    // peaks stay under the limiter's ceiling.
    const std::size_t capacity = fifo_.size() / 2;
    float peak = 0.0f;
    for (std::size_t i = 0; i < count_; ++i) {
        const std::size_t at = (readPos_ + i) % capacity * 2;
        peak = std::max({peak, std::fabs(fifo_[at]), std::fabs(fifo_[at + 1])});
    }
    float ratio = std::pow(10.0f, (leveller_->gainDb() - before) / 20.0f);
    if (ratio > 1.0f && peak * ratio > Leveller::kCeiling) {
        ratio = std::max(1.0f, Leveller::kCeiling * 0.9999f / peak);
    }
    for (std::size_t i = 0; i < count_; ++i) {
        const std::size_t at = (readPos_ + i) % capacity * 2;
        fifo_[at] *= ratio;
        fifo_[at + 1] *= ratio;
    }
}

std::array<int, 2> MixChannel::level(Clock::time_point now) const {
    const auto from = now - std::chrono::milliseconds(20);
    std::lock_guard lock(mutex_);
    std::array<float, 2> peak{0.0f, 0.0f};
    for (const LevelBlock& block : levelBlocks_) {
        if (block.start <= now && block.end > from) {
            peak = {std::max(peak[0], block.peak[0]), std::max(peak[1], block.peak[1])};
        }
    }
    return {static_cast<int>(std::lround(std::min(peak[0], 1.0f) * 32768.0f)),
            static_cast<int>(std::lround(std::min(peak[1], 1.0f) * 32768.0f))};
}

}  // namespace zva
