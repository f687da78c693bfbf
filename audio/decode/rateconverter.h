#pragma once

#include <SDL.h>

#include <cstddef>

namespace zva {

// Turns decoded audio of any rate and one or two channels into 44.1 kHz stereo float frames
// (SDL's audio stream). Mono is copied to both sides before resampling so both carry the full
// level. A change of input format mid-stream flushes the old format first.
//
// Thread contract: one object is used by one thread at a time.
class RateConverter {
public:
    RateConverter() = default;
    ~RateConverter();
    RateConverter(const RateConverter&) = delete;
    RateConverter& operator=(const RateConverter&) = delete;

    // False when SDL cannot convert from this format.
    bool put(const float* samples, std::size_t frames, int rate, int channels);
    // Resampler state drains: what is held back for filtering becomes available.
    void flush();
    std::size_t available() const;
    // Takes up to `frames` stereo frames; the number taken.
    std::size_t get(float* stereo, std::size_t frames);

private:
    SDL_AudioStream* stream_ = nullptr;    // converts the current input format
    SDL_AudioStream* draining_ = nullptr;  // the previous format's last frames, handed out first
    int rate_ = 0;
    float scratch_[2048];  // mono widened to stereo, in pieces
};

}  // namespace zva
