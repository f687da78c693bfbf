#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace zva {

class RingBuffer;

// One stream's voice in the mix: a fixed FIFO of 44.1 kHz stereo float frames filled by the
// stream's decoder thread and drained by the output, with the play state, a click-free volume
// and balance ramp and the level of the last 20 ms.
//
// Thread contract: push() and waitForRoom() from the decoder thread; mixInto() from the output
// thread; the rest from any thread. Every member is guarded by mutex_ unless marked otherwise.
class MixChannel {
public:
    enum class State { Stopped, Playing, Stalled, Paused };

    static constexpr int kRate = 44100;
    static constexpr std::size_t kLevelFrames = kRate / 50;  // 20 ms

    // `ring` is the stream's download buffer: a stall ends once a quarter of it has refilled.
    MixChannel(std::size_t capacityFrames, const RingBuffer* ring);

    std::size_t push(const float* stereo, std::size_t frames);
    // Returns at once when `frames` frames fit; otherwise waits until half the FIFO (at least
    // `frames`) is free or cancel() was called. False when cancelled.
    bool waitForRoom(std::size_t frames);
    // The decoder has delivered everything it will: when the FIFO runs dry the channel stops
    // instead of stalling.
    void endOfSource();
    void cancel();

    // Adds this channel's next `frames` frames to `out` (interleaved stereo).
    void mixInto(float* out, std::size_t frames);

    void play();
    void stop();
    void pause();  // from Playing or Stalled only
    State state() const;
    void setVolume(float volume);  // 0..1
    void setPan(float pan);        // -1..1
    // Peaks of the last 20 ms played, 0..32768 per channel; volume not applied.
    std::array<int, 2> level() const;

private:
    bool refilledLocked() const;

    mutable std::mutex mutex_;
    std::condition_variable roomAvailable_;
    std::size_t roomWanted_ = 0;  // free frames the waiting decoder needs; 0 when none waits
    std::vector<float> fifo_;     // fixed size; frames between readPos_ and readPos_ + count_
    std::size_t readPos_ = 0;
    std::size_t count_ = 0;
    const RingBuffer* ring_;  // immutable; outlives the channel's use by the mixer
    bool sourceEnded_ = false;
    bool cancelled_ = false;
    State state_ = State::Stopped;
    float volume_ = 1.0f;
    float pan_ = 0.0f;
    std::array<float, 2> gain_{0.0f, 0.0f};  // current per-channel gain, ramping to the target
    std::vector<float> levelHistory_;        // last kLevelFrames frames played, absolute values
    std::size_t levelPos_ = 0;
};

}  // namespace zva
