#include "leveller.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace zva {

namespace {

// The gain moves at most 1 dB a second, and switching on or off takes 1 s: per block.
constexpr float kBlockSeconds = static_cast<float>(Leveller::kBlock) / Leveller::kRate;
// The limiter lets go of a reduction at this much gain per block: a full swing in 100 ms, slow
// enough not to distort low notes, quick enough not to dip the sound after a lone peak.
constexpr float kRelease = kBlockSeconds / 0.1f;
// Sound must pass the gate for 3 s (30 steps of 100 ms) before its measure moves the gain.
constexpr std::size_t kSettleSteps = 30;
constexpr unsigned long kHistoryMs = 5 * 60 * 1000;
constexpr double kAbsoluteGate = -70.0;

float fromDb(float db) {
    return std::pow(10.0f, db / 20.0f);
}

ebur128_state* newMeter() {
    ebur128_state* meter = ebur128_init(2, Leveller::kRate, EBUR128_MODE_I);
    if (meter == nullptr || ebur128_set_max_history(meter, kHistoryMs) != EBUR128_SUCCESS) {
        if (meter != nullptr) {
            ebur128_destroy(&meter);
        }
        throw std::bad_alloc();
    }
    return meter;
}

void freeMeter(ebur128_state* meter) {
    ebur128_destroy(&meter);
}

}  // namespace

float Leveller::Block::reduction() const {
    const float loudest = peak * std::max(from, to);
    // A hair under the ceiling, so that rounding of the product stays under it too.
    return limited && loudest > kCeiling ? kCeiling * 0.9999f / loudest : 1.0f;
}

Leveller::Leveller() : meter_(newMeter(), &freeMeter) {}

Leveller::~Leveller() = default;

void Leveller::setEnabled(bool on) {
    if (on != enabled_ && measured_ == 0) {
        // Nothing heard yet: the first sample already has the new state.
        mix_ = on ? 1.0f : 0.0f;
    }
    enabled_ = on;
}

void Leveller::setTarget(float lufs) {
    target_ = lufs;
    updateAim();
}

void Leveller::setStartLoudness(float lufs, bool jump) {
    startLoudness_ = lufs;
    updateAim();
    if (!jump || gatedSteps_ >= kSettleSteps) {
        return;
    }
    gainDb_ = aimDb_;
    const float gain = linearGain();
    for (Block& block : ahead_) {
        block.from = gain;
        block.to = gain;
    }
    limiterGain_ = std::min(limiterGain_, ahead_[aheadStart_].reduction());
}

float Leveller::linearGain() const {
    return mix_ == 0.0f ? 1.0f : fromDb(mix_ * gainDb_);
}

void Leveller::measure(const float* in, std::size_t frames) {
    while (frames > 0) {
        const std::size_t n = std::min(frames, kStepFrames - stepFill_);
        ebur128_add_frames_float(meter_.get(), in, n);
        in += n * 2;
        frames -= n;
        measured_ += n;
        stepFill_ += n;
        if (stepFill_ == kStepFrames) {
            stepFill_ = 0;
            double momentary = 0.0;
            if (ebur128_loudness_momentary(meter_.get(), &momentary) == EBUR128_SUCCESS &&
                momentary > kAbsoluteGate) {
                ++gatedSteps_;
            }
            double global = 0.0;
            if (ebur128_loudness_global(meter_.get(), &global) == EBUR128_SUCCESS &&
                std::isfinite(global)) {
                loudness_ = static_cast<float>(global);
            }
            updateAim();
        }
    }
}

void Leveller::updateAim() {
    float aim = 0.0f;
    if (gatedSteps_ >= kSettleSteps && loudness_) {
        aim = target_ - *loudness_;
    } else if (startLoudness_) {
        aim = target_ - *startLoudness_;
    }
    aimDb_ = std::clamp(aim, kMinGainDb, kMaxGainDb);
}

std::size_t Leveller::process(const float* in, std::size_t frames, float* out) {
    measure(in, frames);
    std::size_t written = 0;
    while (frames > 0) {
        const std::size_t n = std::min(frames, kBlock - pendingFill_);
        float* into = pending_.samples.data() + pendingFill_ * 2;
        for (std::size_t i = 0; i < n * 2; ++i) {
            into[i] = in[i];
            blockPeak_ = std::max(blockPeak_, std::fabs(in[i]));
        }
        in += n * 2;
        frames -= n;
        pendingFill_ += n;
        if (pendingFill_ == kBlock) {
            written += finishBlock(out + written * 2);
        }
    }
    return written;
}

std::size_t Leveller::finishBlock(float* out) {
    pending_.peak = blockPeak_;
    pending_.from = linearGain();
    gainDb_ += std::clamp(aimDb_ - gainDb_, -kBlockSeconds, kBlockSeconds);
    mix_ = enabled_ ? std::min(1.0f, mix_ + kBlockSeconds) : std::max(0.0f, mix_ - kBlockSeconds);
    pending_.to = linearGain();
    pending_.limited = mix_ > 0.0f || pending_.from != 1.0f;
    ahead_[(aheadStart_ + aheadCount_) % ahead_.size()] = pending_;
    ++aheadCount_;
    pendingFill_ = 0;
    blockPeak_ = 0.0f;
    if (aheadCount_ < ahead_.size()) {
        return 0;
    }
    // The limiter's gain at the end of the oldest block: under every block's reduction from
    // there on, reached by a straight ramp over the look-ahead, so a peak is met smoothly.
    const auto at = [&](std::size_t i) -> const Block& {
        return ahead_[(aheadStart_ + i) % ahead_.size()];
    };
    float end = limiterGain_ + kRelease;
    for (std::size_t i = 1; i <= kLookaheadBlocks; ++i) {
        const float floor = std::min(at(i - 1).reduction(), at(i).reduction());
        const float ramp = static_cast<float>(i - 1) / kLookaheadBlocks;
        end = std::min(end, floor + (1.0f - floor) * ramp);
    }
    end = std::min(end, 1.0f);
    const Block& oldest = at(0);
    // Never above what the oldest block needs itself: only the first blocks of a sound that is
    // loud from its first sample had no look-ahead to ramp down in.
    const float start = std::min(limiterGain_, oldest.reduction());
    if (oldest.from == 1.0f && oldest.to == 1.0f && start == 1.0f && end == 1.0f) {
        std::copy(oldest.samples.begin(), oldest.samples.end(), out);
    } else {
        for (std::size_t i = 0; i < kBlock; ++i) {
            const float t = static_cast<float>(i + 1) / kBlock;
            const float gain =
                (oldest.from + (oldest.to - oldest.from) * t) * (start + (end - start) * t);
            out[i * 2] = oldest.samples[i * 2] * gain;
            out[i * 2 + 1] = oldest.samples[i * 2 + 1] * gain;
        }
    }
    limiterGain_ = end;
    aheadStart_ = (aheadStart_ + 1) % ahead_.size();
    --aheadCount_;
    return kBlock;
}

std::size_t Leveller::flush(float* out) {
    const std::size_t held = aheadCount_ * kBlock + pendingFill_;
    // Silence behind the last frames pushes them through the look-ahead.
    std::array<float, (kLookaheadBlocks + 2) * kBlock * 2> drained{};
    std::size_t written = 0;
    while (written < held) {
        std::fill(pending_.samples.begin() + static_cast<std::ptrdiff_t>(pendingFill_ * 2),
                  pending_.samples.end(), 0.0f);
        pendingFill_ = kBlock;
        written += finishBlock(drained.data() + written * 2);
    }
    std::copy_n(drained.begin(), held * 2, out);
    aheadCount_ = 0;
    return held;
}

std::optional<float> Leveller::loudness() const {
    return loudness_ ? loudness_ : startLoudness_;
}

float Leveller::secondsMeasured() const {
    return static_cast<float>(measured_) / kRate;
}

float Leveller::gainDb() const {
    return mix_ * gainDb_;
}

}  // namespace zva
