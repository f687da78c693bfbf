#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>

#include <ebur128.h>

namespace zva {

// Brings one station's sound to a target loudness. It measures the loudness of the sound it is
// fed (K-weighted and gated as EBU R128 defines it, over the last 5 minutes, through
// libebur128) and applies the gain that brings that loudness to the target: the starting gain
// (target − starting loudness, 0 dB when none is known) holds until 3 s of sound have passed
// the gate, then the gain follows the measure by at most 1 dB per second, within −24..+9 dB, so
// the music keeps its dynamics. A limiter with kLookahead frames of look-ahead bends the gain
// down smoothly wherever the sound would peak above −1 dBFS. Switched on or off, the gain ramps
// to its new value (0 dB when off) over 1 s; the sound is measured while off as well, so
// switching on heads for the right gain at once. Off and at rest the sound passes bit for bit,
// kLookahead frames late.
//
// Thread contract: none; a Leveller is one thread's at a time (the owner locks around it).
class Leveller {
public:
    static constexpr int kRate = 44100;
    // The limiter works on blocks of kBlock frames and looks kLookaheadBlocks of them ahead.
    static constexpr std::size_t kBlock = 32;
    static constexpr std::size_t kLookaheadBlocks = 6;
    static constexpr std::size_t kLookahead = kBlock * kLookaheadBlocks;  // 4.4 ms
    static constexpr float kMinGainDb = -24.0f;
    static constexpr float kMaxGainDb = 9.0f;
    static constexpr float kCeiling = 0.891251f;  // −1 dBFS

    Leveller();
    ~Leveller();
    Leveller(const Leveller&) = delete;
    Leveller& operator=(const Leveller&) = delete;

    void setEnabled(bool on);
    void setTarget(float lufs);
    // The loudness of a station heard before: its gain starts there. With `jump` (nothing fed so
    // far has been heard yet) the gain takes it at once, also for the frames held for the
    // look-ahead; otherwise the held gain moves there at 1 dB/s.
    void setStartLoudness(float lufs, bool jump);
    // Levels `frames` interleaved stereo frames of `in` into `out`, which takes as many; the
    // output lags kLookahead frames behind, so the first call returns that many fewer. The
    // number of frames written.
    std::size_t process(const float* in, std::size_t frames, float* out);
    // Writes the frames still held for the look-ahead (at most kLookahead + kBlock): the number.
    std::size_t flush(float* out);

    // The gated loudness over the last 5 minutes, in LUFS; before sound has passed the gate,
    // the starting loudness, if one was given.
    std::optional<float> loudness() const;
    float secondsMeasured() const;
    // The gain applied now, in dB: the levelling gain, weighed by how far levelling is switched
    // on (the limiter's reduction not counted).
    float gainDb() const;

private:
    // 100 ms: the loudness measure and the gain it aims at are updated at this step.
    static constexpr std::size_t kStepFrames = kRate / 10;
    // A block as fed, with the levelling gain at its start and end.
    struct Block {
        std::array<float, kBlock * 2> samples{};
        float peak = 0.0f;
        float from = 1.0f;
        float to = 1.0f;
        bool limited = false;  // levelling was on (in part): the limiter holds the ceiling
        // The limiter's gain that keeps the gained block under the ceiling.
        float reduction() const;
    };

    void measure(const float* in, std::size_t frames);
    void updateAim();
    // Moves the block in pending_ into the look-ahead with its gain; emits the oldest block to
    // `out` once the look-ahead is full: frames written.
    std::size_t finishBlock(float* out);
    float linearGain() const;

    std::unique_ptr<ebur128_state, void (*)(ebur128_state*)> meter_;
    std::size_t stepFill_ = 0;    // frames measured since the last 100 ms step
    std::size_t gatedSteps_ = 0;  // 100 ms steps whose momentary loudness passed the gate
    std::size_t measured_ = 0;    // frames measured
    std::optional<float> loudness_;
    std::optional<float> startLoudness_;
    float target_ = -16.0f;
    float aimDb_ = 0.0f;   // where the levelling gain is heading
    float gainDb_ = 0.0f;  // the levelling gain now
    bool enabled_ = false;
    float mix_ = 0.0f;  // 0 off .. 1 on, ramping over 1 s
    Block pending_;
    std::size_t pendingFill_ = 0;
    std::array<Block, kLookaheadBlocks + 1> ahead_{};  // ring, the oldest at aheadStart_
    std::size_t aheadStart_ = 0;
    std::size_t aheadCount_ = 0;
    float limiterGain_ = 1.0f;  // the limiter's gain at the start of the oldest block
    float blockPeak_ = 0.0f;    // of pending_ so far
};

}  // namespace zva
