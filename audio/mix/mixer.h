#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "mixchannel.h"

namespace zva {

// Sums the playing channels into the output's 44.1 kHz stereo float periods. Sound never breaks
// off: a removed channel's fade is copied out at remove() and rendered from there, and before
// the output pauses or closes the whole mix fades out.
//
// Thread contract: render() from the output thread; the rest from any thread. Once remove() has
// returned, render() no longer touches that channel.
class Mixer {
public:
    using Clock = MixChannel::Clock;

    void add(std::shared_ptr<MixChannel> channel);
    void remove(const MixChannel* channel);
    // Fills `frames` interleaved stereo frames, the first of which is heard at `playAt`;
    // silence where nothing plays. Never allocates.
    void render(float* out, std::size_t frames, Clock::time_point playAt);
    // From now on render() fades every channel out and then renders silence, until resume().
    void fadeOut();
    // Returns once render() has rendered the whole fade since fadeOut(), or after `timeout`.
    void waitUntilFaded(std::chrono::milliseconds timeout);
    void resume();
    // Nothing to render but silence: no channel plays or waits for its stream to refill, and no
    // fade is left.
    bool resting();

private:
    std::mutex mutex_;
    std::condition_variable faded_;
    std::vector<std::shared_ptr<MixChannel>> channels_;  // guarded by mutex_
    // Guarded by mutex_: the fades of removed channels, summed, in the first tailFrames_
    // frames; zero after them.
    std::vector<float> tail_ = std::vector<float>(MixChannel::kFadeFrames * 2);
    std::size_t tailFrames_ = 0;   // guarded by mutex_
    bool fadingOut_ = false;       // guarded by mutex_
    std::size_t fadedFrames_ = 0;  // guarded by mutex_; frames rendered since fadeOut()
};

}  // namespace zva
