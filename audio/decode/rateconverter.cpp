#include "rateconverter.h"

#include <algorithm>

#include "pcmsink.h"

namespace zva {

RateConverter::~RateConverter() {
    for (SDL_AudioStream* stream : {draining_, stream_}) {
        if (stream != nullptr) {
            SDL_FreeAudioStream(stream);
        }
    }
}

bool RateConverter::put(const float* samples, std::size_t frames, int rate, int channels) {
    if (rate <= 0 || (channels != 1 && channels != 2)) {
        return false;
    }
    if (stream_ == nullptr || rate != rate_) {
        SDL_AudioStream* next =
            SDL_NewAudioStream(AUDIO_F32SYS, 2, rate, AUDIO_F32SYS, 2, PcmSink::kRate);
        if (next == nullptr) {
            return false;
        }
        // What the old format still holds is handed out before anything of the new one.
        if (stream_ != nullptr) {
            SDL_AudioStreamFlush(stream_);
            if (draining_ != nullptr) {
                SDL_FreeAudioStream(draining_);
            }
            draining_ = stream_;
        }
        stream_ = next;
        rate_ = rate;
    }
    if (channels == 2) {
        return SDL_AudioStreamPut(stream_, samples, static_cast<int>(frames * 2 * sizeof(float))) ==
               0;
    }
    constexpr std::size_t kPiece = sizeof scratch_ / sizeof scratch_[0] / 2;
    for (std::size_t done = 0; done < frames;) {
        const std::size_t n = std::min(kPiece, frames - done);
        for (std::size_t i = 0; i < n; ++i) {
            scratch_[i * 2] = scratch_[i * 2 + 1] = samples[done + i];
        }
        if (SDL_AudioStreamPut(stream_, scratch_, static_cast<int>(n * 2 * sizeof(float))) != 0) {
            return false;
        }
        done += n;
    }
    return true;
}

void RateConverter::flush() {
    if (stream_ != nullptr) {
        SDL_AudioStreamFlush(stream_);
    }
}

std::size_t RateConverter::available() const {
    std::size_t bytes = 0;
    for (SDL_AudioStream* stream : {draining_, stream_}) {
        if (stream != nullptr) {
            bytes += static_cast<std::size_t>(SDL_AudioStreamAvailable(stream));
        }
    }
    return bytes / (2 * sizeof(float));
}

std::size_t RateConverter::get(float* stereo, std::size_t frames) {
    std::size_t taken = 0;
    for (SDL_AudioStream* stream : {draining_, stream_}) {
        if (stream == nullptr || taken == frames) {
            continue;
        }
        const int got = SDL_AudioStreamGet(stream, stereo + taken * 2,
                                           static_cast<int>((frames - taken) * 2 * sizeof(float)));
        if (got > 0) {
            taken += static_cast<std::size_t>(got) / (2 * sizeof(float));
        }
    }
    if (draining_ != nullptr && SDL_AudioStreamAvailable(draining_) == 0) {
        SDL_FreeAudioStream(draining_);
        draining_ = nullptr;
    }
    return taken;
}

}  // namespace zva
