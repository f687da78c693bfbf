#include "adtssync.h"

#include <algorithm>
#include <cstring>

namespace zva {

void AdtsSync::feed(const unsigned char* data, size_t size) {
    while (size > 0) {
        const size_t n = std::min(size, kCapacity - fill_);
        std::memcpy(buffer_.data() + fill_, data, n);
        fill_ += n;
        data += n;
        size -= n;
        drain();
    }
}

bool AdtsSync::holdsSync(const unsigned char* data, size_t size) {
    for (size_t pos = 0; pos + AdtsHeader::kSize <= size; ++pos) {
        const auto header = AdtsHeader::parse(data + pos);
        if (!header) {
            continue;
        }
        const size_t next = pos + header->frameLength();
        if (next + AdtsHeader::kSize > size) {
            continue;
        }
        const auto following = AdtsHeader::parse(data + next);
        if (following && following->sameStream(*header)) {
            return true;
        }
    }
    return false;
}

size_t AdtsSync::nextCandidate(size_t pos) const {
    // Every header starts with 0xFF, so jump straight to the next one.
    const auto* begin = buffer_.data() + pos + 1;
    const auto* next = static_cast<const unsigned char*>(std::memchr(begin, 0xFF, fill_ - pos - 1));
    return next ? static_cast<size_t>(next - buffer_.data()) : fill_;
}

AdtsSync::Verdict AdtsSync::judge(size_t pos, size_t& length) {
    const auto header = AdtsHeader::parse(buffer_.data() + pos);
    if (!header) {
        locked_.reset();
        return Verdict::kNoFrame;
    }
    length = header->frameLength();
    if (locked_ && locked_->sameStream(*header)) {
        return fill_ - pos >= length ? Verdict::kFrame : Verdict::kNeedMore;
    }
    locked_.reset();
    if (fill_ - pos < length + AdtsHeader::kSize) {
        return Verdict::kNeedMore;
    }
    const auto following = AdtsHeader::parse(buffer_.data() + pos + length);
    if (!following || !following->sameStream(*header)) {
        return Verdict::kNoFrame;
    }
    locked_ = header;
    return Verdict::kFrame;
}

void AdtsSync::drain() {
    size_t pos = 0;
    size_t skipped = 0;
    size_t length = 0;
    Verdict verdict = Verdict::kNeedMore;
    while (fill_ - pos >= AdtsHeader::kSize &&
           (verdict = judge(pos, length)) != Verdict::kNeedMore) {
        if (verdict == Verdict::kNoFrame) {
            const size_t next = nextCandidate(pos);
            skipped += next - pos;
            pos = next;
            continue;
        }
        if (skipped > 0) {
            listener_.onSkipped(skipped);
            skipped = 0;
        }
        listener_.onFrame(std::span<const unsigned char>(buffer_.data() + pos, length));
        pos += length;
    }
    if (skipped > 0) {
        listener_.onSkipped(skipped);
    }
    std::memmove(buffer_.data(), buffer_.data() + pos, fill_ - pos);
    fill_ -= pos;
}

}  // namespace zva
