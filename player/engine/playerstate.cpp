#include "playerstate.h"

namespace zvengine {

PlayerState& playerState() {
    static PlayerState state;
    return state;
}

std::uint64_t PlayerState::beginGeneration() {
    std::uint64_t started = 0;
    {
        std::lock_guard lock(mutex_);
        onAir_ = OnAir::Stopped;
        title_.clear();
        started = ++generation_;
    }
    notify();
    return started;
}

std::uint32_t PlayerState::streamHandle() const {
    std::lock_guard lock(mutex_);
    return streamHandle_;
}

bool PlayerState::setStreamHandle(std::uint64_t of, std::uint32_t handle, const QString& address) {
    std::lock_guard lock(mutex_);
    if (generation_ != of) {
        return false;
    }
    streamHandle_ = handle;
    streamAddress_ = address;
    return true;
}

QString PlayerState::streamAddress() const {
    std::lock_guard lock(mutex_);
    return streamAddress_;
}

std::uint32_t PlayerState::streamHandleOf(std::uint64_t of) const {
    std::lock_guard lock(mutex_);
    return generation_ == of ? streamHandle_ : 0;
}

void PlayerState::markOnAir(std::uint64_t of, OnAir state) {
    {
        std::lock_guard lock(mutex_);
        if (generation_ != of) {
            return;
        }
        onAir_ = state;
    }
    notify();
}

OnAir PlayerState::onAir() const {
    std::lock_guard lock(mutex_);
    return onAir_;
}

QString PlayerState::title() const {
    std::lock_guard lock(mutex_);
    return title_;
}

void PlayerState::onChange(std::function<void()> listener) {
    std::lock_guard lock(mutex_);
    changed_ = std::move(listener);
}

void PlayerState::notify() const {
    std::function<void()> listener;
    {
        std::lock_guard lock(mutex_);
        listener = changed_;
    }
    if (listener) {
        listener();
    }
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
    {
        std::lock_guard lock(mutex_);
        if (generation_ != of) {
            return;
        }
        if (view_ != nullptr) {
            view_->setLabel(of, label, text);
        }
        if (label != ReceiverView::Label::Title) {
            return;
        }
        title_ = text;
    }
    notify();
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

bool PlayerState::offered(int index) const {
    std::lock_guard lock(mutex_);
    return stations_ != nullptr && index >= 0 && index < kStationCount &&
           stations_->stations[static_cast<std::size_t>(index)].enabled;
}

}  // namespace zvengine
