#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zva {

// Splits an ICY stream into audio bytes and metadata blocks. Every `metaInt` audio bytes the
// server inserts one length byte L followed by L × 16 bytes of metadata (at most 4080); the
// text of a block ends at its first NUL. Pure state machine: the output does not depend on how
// the input is split into calls.
//
// Thread contract: one object is used by one thread at a time.
class IcyDemuxer {
public:
    class Sink {
    public:
        virtual ~Sink() = default;
        virtual void audio(const std::uint8_t* data, std::size_t size) = 0;
        // A non-empty metadata text; valid only during the call.
        virtual void metadata(std::string_view text) = 0;
    };

    // metaInt 0: the stream carries no metadata, everything is audio.
    explicit IcyDemuxer(std::size_t metaInt);

    void feed(const std::uint8_t* data, std::size_t size, Sink& sink);

private:
    enum class State { Audio, Length, Meta };

    static constexpr std::size_t kMaxMeta = 255 * 16;

    std::size_t metaInt_;
    State state_ = State::Audio;
    std::size_t left_;  // audio bytes before the next length byte, or metadata bytes still due
    std::size_t metaSize_ = 0;
    char meta_[kMaxMeta];
};

}  // namespace zva
