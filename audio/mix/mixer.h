#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "mixchannel.h"

namespace zva {

// Sums the playing channels into the output's 44.1 kHz stereo float periods.
//
// Thread contract: render() from the output thread; add() and remove() from any thread. Once
// remove() has returned, render() no longer touches that channel.
class Mixer {
public:
    void add(std::shared_ptr<MixChannel> channel);
    void remove(const MixChannel* channel);
    // Fills `frames` interleaved stereo frames; silence where nothing plays. Never allocates.
    void render(float* out, std::size_t frames);

private:
    std::mutex mutex_;
    std::vector<std::shared_ptr<MixChannel>> channels_;  // guarded by mutex_
};

}  // namespace zva
