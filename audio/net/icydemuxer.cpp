#include "icydemuxer.h"

#include <algorithm>
#include <cstring>

namespace zva {

IcyDemuxer::IcyDemuxer(std::size_t metaInt) : metaInt_(metaInt), left_(metaInt) {}

void IcyDemuxer::feed(const std::uint8_t* data, std::size_t size, Sink& sink) {
    if (metaInt_ == 0) {
        if (size > 0) {
            sink.audio(data, size);
        }
        return;
    }
    while (size > 0) {
        switch (state_) {
            case State::Audio: {
                const std::size_t n = std::min(size, left_);
                sink.audio(data, n);
                data += n;
                size -= n;
                left_ -= n;
                if (left_ == 0) {
                    state_ = State::Length;
                }
                break;
            }
            case State::Length:
                left_ = std::size_t{*data} * 16;
                ++data;
                --size;
                metaSize_ = 0;
                if (left_ == 0) {
                    state_ = State::Audio;
                    left_ = metaInt_;
                } else {
                    state_ = State::Meta;
                }
                break;
            case State::Meta: {
                const std::size_t n = std::min(size, left_);
                std::memcpy(meta_ + metaSize_, data, n);
                metaSize_ += n;
                data += n;
                size -= n;
                left_ -= n;
                if (left_ == 0) {
                    const std::string_view text(meta_, strnlen(meta_, metaSize_));
                    state_ = State::Audio;
                    left_ = metaInt_;
                    if (!text.empty()) {
                        sink.metadata(text);
                    }
                }
                break;
            }
        }
    }
}

}  // namespace zva
