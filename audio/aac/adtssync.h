#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>

#include "adtsheader.h"

namespace zva {

// Splits a byte stream into whole ADTS frames. A pure state machine: no I/O, no threads, no
// allocation after construction.
//
// While searching, a header counts as the stream's sync only once the next frame's header
// follows it at the announced length and agrees with it; bytes before it are skipped. Once
// locked, frames are taken one by one as long as their headers keep agreeing with the locked
// one; any other bytes drop the lock and searching resumes one byte further on. An incomplete
// frame stays in a fixed buffer until the next feed completes it, so memory stays bounded
// however the stream is split or whatever it holds.
//
// Thread contract: one object is used by one thread at a time; `listener` is called on the
// thread that calls `feed`, before `feed` returns.
class AdtsSync {
public:
    class Listener {
    public:
        // One complete frame, header included; valid only during the call.
        virtual void onFrame(std::span<const unsigned char> frame) = 0;
        // `bytes` bytes were dropped while searching for the sync.
        virtual void onSkipped(size_t bytes) = 0;

    protected:
        ~Listener() = default;
    };

    explicit AdtsSync(Listener& listener) : listener_(listener) {}

    void feed(const unsigned char* data, size_t size);

    // True when `data` holds two consecutive agreeing ADTS headers somewhere: enough to take
    // an unlabelled stream for ADTS.
    static bool holdsSync(const unsigned char* data, size_t size);

private:
    // Room for the longest frame plus the header that confirms it, and more so that a search
    // makes progress on every pass.
    static constexpr size_t kCapacity = 2 * (AdtsHeader::kMaxFrame + 1);

    enum class Verdict { kFrame, kNoFrame, kNeedMore };

    // Whether a frame starts at `pos` (its `length` then set), none does, or the bytes held do
    // not tell yet. Takes or drops the lock accordingly.
    Verdict judge(size_t pos, size_t& length);
    // Takes every frame it can from the buffer, then keeps the unused rest at its start.
    void drain();
    // The position of the next byte that may start a header after the one at `pos`.
    size_t nextCandidate(size_t pos) const;

    Listener& listener_;
    std::array<unsigned char, kCapacity> buffer_{};
    size_t fill_ = 0;                   // bytes held in buffer_
    std::optional<AdtsHeader> locked_;  // the header the stream is locked to, if any
};

}  // namespace zva
