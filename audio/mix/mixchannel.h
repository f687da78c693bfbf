#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "decode/pcmsink.h"
#include "leveller.h"

namespace zva {

class RingBuffer;

// The levelling settings every channel of a library follows, read at each push.
struct LevelSettings {
    std::atomic<bool> on{false};
    std::atomic<int> targetTenths{-160};  // tenths of LUFS
};

// One stream's voice in the mix: a fixed FIFO of 44.1 kHz stereo float frames filled by the
// stream's decoder thread and drained by the output, with the play state, a click-free volume
// and balance ramp and the level of the last 20 ms heard. Stopping or pausing changes the state
// at once, while the sound fades out over the next kFadeFrames frames the output takes.
//
// Thread contract: push() and waitForRoom() from the decoder thread; mixInto() and
// fadeOutInto() from the output thread (or under the mixer's lock); the rest from any thread.
// Every member is guarded by mutex_ unless marked otherwise. A channel given level settings
// levels its sound on the decoder thread as push() takes it (so the FIFO, the meters and the
// output hear it levelled); a switch of the settings is heard once the FIFO's sound ahead of
// it has played.
class MixChannel : public PcmSink {
public:
    enum class State { Stopped, Playing, Stalled, Paused };
    using Clock = std::chrono::steady_clock;

    // 10 ms, as long as a full swing of the volume ramp: no sound starts or ends in fewer.
    static constexpr std::size_t kFadeFrames = kRate / 100;
    // The decoder's lead before the channel first plays: about 93 ms of sound.
    static constexpr std::size_t kLeadFrames = 4096;
    // Gain change per frame: a full 0 → 1 swing takes 10 ms, short enough to follow a slider
    // and long enough not to click.
    static constexpr float kGainStep = 1.0f / kFadeFrames;

    // `ring` is the stream's download buffer: a stall ends once a quarter of it has refilled.
    // `level` (null: no levelling stage) outlives the channel.
    MixChannel(std::size_t capacityFrames, const RingBuffer* ring,
               const LevelSettings* level = nullptr);

    std::size_t push(const float* stereo, std::size_t frames) override;
    // Returns at once when `frames` frames fit; otherwise waits until half the FIFO (at least
    // `frames`) is free or cancel() was called. Before the channel first plays it also waits
    // while kLeadFrames are queued. False when cancelled.
    bool waitForRoom(std::size_t frames) override;
    // The decoder has delivered everything it will: when the FIFO runs dry the channel stops
    // instead of stalling.
    void endOfSource() override;
    void cancel();

    // Adds this channel's next `frames` frames to `out` (interleaved stereo); the first of them
    // is heard at `playAt`. A stopped or paused channel adds what is left of its fade.
    void mixInto(float* out, std::size_t frames, Clock::time_point playAt);
    // Adds the sound still to come, faded out to silence, to `out` (at most `frames` frames; a
    // fade from full volume takes kFadeFrames) and leaves the channel silent in its state: the
    // number of frames added.
    // Whether the channel sounds now (its gain is above zero), so stopping it needs a fade.
    bool audible() const;
    std::size_t fadeOutInto(float* out, std::size_t frames);

    void play();
    void stop();
    void pause();  // from Playing or Stalled only
    State state() const;
    void setVolume(float volume);  // 0..1
    void setPan(float pan);        // -1..1
    float volume() const;
    float pan() const;
    // Peaks of the 20 ms heard up to `now`, 0..32768 per channel; volume not applied.
    std::array<int, 2> level(Clock::time_point now = Clock::now()) const;
    // The levelling stage's measure (none without the stage or before sound passed the gate)
    // and the seconds it has measured.
    std::optional<float> loudness() const;
    float secondsMeasured() const;
    // A station heard before starts at this loudness: from the first sample heard when the
    // channel has not played yet (the levelled sound queued so far is rescaled to it).
    void setStartLoudness(float lufs);

private:
    // The peaks of up to kBlockFrames consecutive frames and when they are heard.
    struct LevelBlock {
        std::array<float, 2> peak{0.0f, 0.0f};
        Clock::time_point start;
        Clock::time_point end;
    };
    // 5 ms: a short click still stands out of its block, and the meter's 20 ms are four blocks.
    static constexpr std::size_t kBlockFrames = kRate / 200;
    // 320 ms: the period being heard, the one rendered ahead of it and the 20 ms before, even
    // for periods of 140 ms.
    static constexpr std::size_t kLevelBlocks = 64;

    // Copies up to `frames` frames into the FIFO: the number copied.
    std::size_t storeLocked(const float* stereo, std::size_t frames);
    bool refilledLocked() const;
    std::array<float, 2> targetGainLocked() const;
    // Moves the gain towards `target` by `step` a frame (a full swing takes kFadeFrames).
    std::size_t renderLocked(float* out, std::size_t frames, std::array<float, 2> target,
                             const Clock::time_point* playAt, float step = kGainStep);
    std::size_t fadeOutLocked(float* out, std::size_t frames);
    void recordLevelLocked(std::array<float, 2> peak, Clock::time_point playAt, std::size_t from,
                           std::size_t frames);
    void clearLevelLocked();

    // The levelling stage, on the decoder thread's side of the FIFO: these are guarded by
    // levelMutex_, which is taken before mutex_ where both are held.
    const LevelSettings* levelSettings_;  // immutable
    mutable std::mutex levelMutex_;
    std::unique_ptr<Leveller> leveller_;  // null without level settings
    std::vector<float> levelled_;         // room for one step's levelled frames

    mutable std::mutex mutex_;
    std::condition_variable roomAvailable_;
    std::size_t roomWanted_ = 0;  // free frames the waiting decoder needs; 0 when none waits
    std::vector<float> fifo_;     // fixed size; frames between readPos_ and readPos_ + count_
    std::size_t readPos_ = 0;
    std::size_t count_ = 0;
    const RingBuffer* ring_;  // immutable; outlives the channel's use by the mixer
    bool sourceEnded_ = false;
    bool played_ = false;  // play() has been called once
    bool cancelled_ = false;
    State state_ = State::Stopped;
    float volume_ = 1.0f;
    float pan_ = 0.0f;
    // Current per-channel gain, ramping to the target; above zero while stopped or paused only
    // until the fade has been rendered.
    std::array<float, 2> gain_{0.0f, 0.0f};
    std::array<LevelBlock, kLevelBlocks> levelBlocks_{};  // ring, the newest at levelNewest_
    std::size_t levelNewest_ = 0;
};

}  // namespace zva
