#include "playerstate.h"

namespace zvengine {

PlayerState& playerState() {
    static PlayerState state;
    return state;
}

std::uint64_t PlayerState::beginGeneration() {
    std::lock_guard lock(mutex_);
    return ++generation_;
}

std::uint32_t PlayerState::streamHandle() const {
    std::lock_guard lock(mutex_);
    return streamHandle_;
}

bool PlayerState::setStreamHandle(std::uint64_t of, std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    if (generation_ != of) {
        return false;
    }
    streamHandle_ = handle;
    return true;
}

std::uint32_t PlayerState::streamHandleOf(std::uint64_t of) const {
    std::lock_guard lock(mutex_);
    return generation_ == of ? streamHandle_ : 0;
}

}  // namespace zvengine
