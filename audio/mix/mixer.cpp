#include "mixer.h"

#include <algorithm>

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
    std::fill(out, out + frames * 2, 0.0f);
    std::lock_guard lock(mutex_);
    for (const auto& channel : channels_) {
        channel->mixInto(out, frames);
    }
}

}  // namespace zva
