#include "mixer.h"

#include <cstring>

namespace zva {

void Mixer::add(std::shared_ptr<MixChannel> channel) {
    std::lock_guard lock(mutex_);
    channels_.push_back(std::move(channel));
}

void Mixer::remove(const MixChannel* channel) {
    std::lock_guard lock(mutex_);
    std::erase_if(channels_, [&](const auto& c) { return c.get() == channel; });
}

void Mixer::render(float* out, std::size_t frames) {
    // All-zero bytes are 0.0f; the compiler leaves a float fill as a per-sample loop.
    std::memset(out, 0, frames * 2 * sizeof(float));
    std::lock_guard lock(mutex_);
    for (const auto& channel : channels_) {
        channel->mixInto(out, frames);
    }
}

}  // namespace zva
