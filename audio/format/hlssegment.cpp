#include "hlssegment.h"

#include <algorithm>

#include "adtsheader.h"
#include "id3tag.h"
#include "mpegheader.h"

namespace zva {
namespace {

constexpr std::uint8_t kSync = 0x47;
constexpr std::size_t kId3Header = 10;

}  // namespace

void SegmentReader::beginSegment() {
    state_ = State::Start;
    head_.clear();
    tagsSeen_ = false;
    tagLeft_ = 0;
    skipping_ = false;
    titles_.clear();
}

bool SegmentReader::feed(const std::uint8_t* data, std::size_t size, Sink& sink) {
    while (size > 0) {
        switch (state_) {
            case State::Failed:
                return false;
            case State::Ts:
                if (!ts_.feed(data, size, sink)) {
                    state_ = State::Failed;
                    return false;
                }
                return true;
            case State::Audio:
                sink.audio(data, size);
                return true;
            case State::Tag: {
                const std::size_t n = std::min(size, tagLeft_);
                if (!skipping_) {
                    head_.insert(head_.end(), data, data + n);
                }
                data += n;
                size -= n;
                tagLeft_ -= n;
                if (tagLeft_ == 0) {
                    if (std::string title = id3Title(head_.data(), head_.size()); !title.empty()) {
                        titles_.push_back(std::move(title));
                    }
                    head_.clear();
                    state_ = State::Start;
                }
                break;
            }
            case State::Start: {
                // A stream's second packet must be seen; a tag's header tells its size.
                const bool stream = !tagsSeen_ && (head_.empty() ? data[0] : head_[0]) == kSync;
                const std::size_t need = stream ? kPacket + 1 : kId3Header;
                const std::size_t n = std::min(size, need - head_.size());
                head_.insert(head_.end(), data, data + n);
                data += n;
                size -= n;
                if (head_.size() == need && !decide(sink, false)) {
                    return false;
                }
                break;
            }
        }
    }
    return state_ != State::Failed;
}

bool SegmentReader::decide(Sink& sink, bool ended) {
    std::vector<std::uint8_t> head;
    head.swap(head_);
    if (!tagsSeen_ && head[0] == kSync &&
        (head.size() > kPacket ? head[kPacket] == kSync : ended)) {
        state_ = State::Ts;
        return feed(head.data(), head.size(), sink);
    }
    if (const std::size_t tag = id3TagSize(head.data(), head.size()); tag > 0) {
        tagsSeen_ = true;
        state_ = State::Tag;
        tagLeft_ = tag - head.size();
        skipping_ = tag > kMaxTag;
        if (!skipping_) {
            head_.swap(head);
        }
        return true;
    }
    const bool audio = (head.size() >= AdtsHeader::kSize && AdtsHeader::parse(head.data())) ||
                       (head.size() >= MpegHeader::kSize && MpegHeader::parse(head.data()));
    if (!audio) {
        state_ = State::Failed;
        return false;
    }
    state_ = State::Audio;
    for (const std::string& title : titles_) {
        sink.title(title);
    }
    titles_.clear();
    sink.audio(head.data(), head.size());
    return true;
}

void SegmentReader::endSegment(Sink& sink) {
    if (state_ == State::Start && !head_.empty()) {
        decide(sink, true);
    }
    if (state_ == State::Ts) {
        ts_.flush(sink);
    }
}

void SegmentReader::discontinuity() {
    ts_.reset();
}

}  // namespace zva
