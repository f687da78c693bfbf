#include "mixer.h"

#include <algorithm>
#include <cstring>

namespace zva {

void Mixer::add(std::shared_ptr<MixChannel> channel) {
    std::lock_guard lock(mutex_);
    channels_.push_back(std::move(channel));
}

void Mixer::remove(const MixChannel* channel) {
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(channels_.begin(), channels_.end(),
                                 [&](const auto& c) { return c.get() == channel; });
    if (it == channels_.end()) {
        return;
    }
    // Rendered from the next period on, summed with what is left of earlier fades.
    tailFrames_ = std::max(tailFrames_, (*it)->fadeOutInto(tail_.data(), MixChannel::kFadeFrames));
    channels_.erase(it);
}

void Mixer::render(float* out, std::size_t frames, Clock::time_point playAt) {
    // All-zero bytes are 0.0f; the compiler leaves a float fill as a per-sample loop.
    std::memset(out, 0, frames * 2 * sizeof(float));
    std::lock_guard lock(mutex_);
    for (const auto& channel : channels_) {
        if (fadingOut_) {
            channel->fadeOutInto(out, frames);
        } else {
            channel->mixInto(out, frames, playAt);
        }
    }
    if (tailFrames_ > 0) {
        const std::size_t n = std::min(frames, tailFrames_);
        for (std::size_t i = 0; i < n * 2; ++i) {
            out[i] += tail_[i];
        }
        std::copy(tail_.begin() + static_cast<long>(n * 2),
                  tail_.begin() + static_cast<long>(tailFrames_ * 2), tail_.begin());
        std::fill_n(tail_.begin() + static_cast<long>((tailFrames_ - n) * 2), n * 2, 0.0f);
        tailFrames_ -= n;
    }
    if (fadingOut_ && fadedFrames_ < MixChannel::kFadeFrames) {
        fadedFrames_ += frames;
        if (fadedFrames_ >= MixChannel::kFadeFrames) {
            faded_.notify_all();
        }
    }
}

void Mixer::fadeOut() {
    std::lock_guard lock(mutex_);
    if (!fadingOut_) {
        fadingOut_ = true;
        // Silence needs no fade: nobody waits a period for it.
        const bool audible =
            tailFrames_ > 0 || std::any_of(channels_.begin(), channels_.end(),
                                           [](const auto& c) { return c->audible(); });
        fadedFrames_ = audible ? 0 : MixChannel::kFadeFrames;
    }
}

void Mixer::waitUntilFaded(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    faded_.wait_for(lock, timeout, [this] { return fadedFrames_ >= MixChannel::kFadeFrames; });
}

bool Mixer::resting() {
    std::lock_guard lock(mutex_);
    return tailFrames_ == 0 && std::none_of(channels_.begin(), channels_.end(), [](const auto& c) {
               const MixChannel::State state = c->state();
               return state == MixChannel::State::Playing || state == MixChannel::State::Stalled ||
                      c->audible();
           });
}

void Mixer::resume() {
    std::lock_guard lock(mutex_);
    fadingOut_ = false;
}

}  // namespace zva
