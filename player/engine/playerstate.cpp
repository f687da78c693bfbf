#include "playerstate.h"

namespace zvengine {

PlayerState& playerState() {
    static PlayerState state;
    return state;
}

std::uint64_t PlayerState::beginGeneration() {
    std::lock_guard lock(mutex_);
    notAvailable_ = false;
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

void PlayerState::markNotAvailable(std::uint64_t of) {
    std::lock_guard lock(mutex_);
    if (generation_ == of) {
        notAvailable_ = true;
    }
}

bool PlayerState::notAvailable() const {
    std::lock_guard lock(mutex_);
    return notAvailable_;
}

void PlayerState::attach(ReceiverView* view, const StationList* stations) {
    std::lock_guard lock(mutex_);
    view_ = view;
    stations_ = stations;
}

void PlayerState::detach(const ReceiverView* view) {
    std::lock_guard lock(mutex_);
    if (view_ == view) {
        view_ = nullptr;
        stations_ = nullptr;
    }
}

void PlayerState::showLabel(std::uint64_t of, ReceiverView::Label label, const QString& text) {
    std::lock_guard lock(mutex_);
    if (view_ != nullptr && generation_ == of) {
        view_->setLabel(of, label, text);
    }
}

void PlayerState::showCaption(std::uint64_t of, const QString& text) {
    std::lock_guard lock(mutex_);
    if (view_ != nullptr && generation_ == of) {
        view_->setCaption(of, text);
    }
}

QString PlayerState::stationName(int index) const {
    std::lock_guard lock(mutex_);
    return stations_ != nullptr ? stations_->stations.at(static_cast<std::size_t>(index)).name
                                : QString();
}

QString PlayerState::streamUrl(int index) const {
    std::lock_guard lock(mutex_);
    return stations_ != nullptr ? stations_->stations.at(static_cast<std::size_t>(index)).streamUrl
                                : QString();
}

}  // namespace zvengine
