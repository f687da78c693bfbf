#include "framealigner.h"

#include <algorithm>

namespace zva {
namespace {

// What FrameSync reads of a header.
constexpr std::size_t kHeaderBytes = 9;
// Kept back while no frame is found: a frame may start in it whose next header has not come.
constexpr std::size_t kSearchWindow = 8192 + kHeaderBytes;

}  // namespace

std::size_t FrameAligner::frameLength(const std::uint8_t* header) const {
    return format_ == FrameSync::Format::Mpeg ? FrameSync::mpegFrame(header, nullptr)
                                              : FrameSync::adtsFrame(header, nullptr);
}

std::size_t FrameAligner::findFrame(std::size_t from) const {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(held_.data());
    for (std::size_t at = from; at < held_.size();) {
        const FrameSync::Result found = FrameSync::find(bytes + at, held_.size() - at);
        if (found.format == FrameSync::Format::None) {
            break;
        }
        if (found.format == format_) {
            return at + found.offset;
        }
        at += found.offset + 1;
    }
    return held_.size();
}

void FrameAligner::feed(const std::uint8_t* data, std::size_t size, std::string& out) {
    if (format_ == FrameSync::Format::None) {
        out.append(reinterpret_cast<const char*>(data), size);
        return;
    }
    held_.append(reinterpret_cast<const char*>(data), size);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(held_.data());
    std::size_t done = 0;  // the bytes of held_ passed on or dropped
    for (;;) {
        const std::size_t left = held_.size() - done;
        if (mode_ == Mode::InStep) {
            if (left < kHeaderBytes) {
                break;
            }
            const std::size_t length = frameLength(bytes + done);
            if (length == 0) {
                mode_ = Mode::Searching;
                continue;
            }
            if (left < length) {
                break;
            }
            out.append(held_, done, length);
            done += length;
            continue;
        }
        const bool joining = mode_ == Mode::Joining;
        const std::size_t found = findFrame(done);
        if (found < held_.size()) {
            if (!joining) {
                out.append(held_, done, found - done);
            }
            done = found;
            mode_ = Mode::InStep;
            continue;
        }
        const std::size_t passed = left - std::min(left, kSearchWindow);
        if (joining) {
            dropped_ += passed;
            joinFailed_ = dropped_ + (left - passed) >= kMaxSearch;
        } else {
            out.append(held_, done, passed);
        }
        done += passed;
        break;
    }
    held_.erase(0, done);
}

void FrameAligner::flush(std::string& out) {
    if (mode_ != Mode::Joining) {
        out += held_;
    }
    held_.clear();
}

void FrameAligner::restart() {
    held_.clear();
    if (format_ != FrameSync::Format::None) {
        mode_ = Mode::Joining;
    }
    dropped_ = 0;
    joinFailed_ = false;
}

}  // namespace zva
