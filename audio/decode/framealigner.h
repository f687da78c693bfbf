#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "framesync.h"

namespace zva {

// Keeps a stream's bytes in whole frames where one connection ends and the next begins. While
// the frames follow one another it passes each frame on once it is complete, holding back only
// the incomplete last one, so that a connection that breaks off leaves no half frame behind.
// After restart() (a new connection) it drops what it held and skips the new bytes up to the
// first frame confirmed by a second header right behind it. Bytes that are not in frames pass
// unchanged (the decoder resynchronises on them, as it always did), and a stream of a format
// without frame sync (Format::None) passes untouched.
//
// A pure state machine holding at most one frame and a header, or a search window of 8 KiB;
// one thread (the download thread).
class FrameAligner {
public:
    // The most bytes searched for the first frame of a new connection before it counts as not
    // carrying the stream at all.
    static constexpr std::size_t kMaxSearch = 64 * 1024;

    explicit FrameAligner(FrameSync::Format format = FrameSync::Format::None) : format_(format) {}

    // Takes `size` bytes; appends to `out` the bytes that may go on.
    void feed(const std::uint8_t* data, std::size_t size, std::string& out);
    // The bytes still held, at the end of the stream.
    void flush(std::string& out);
    // A new connection follows: the held bytes are dropped.
    void restart();

    // The new connection brought kMaxSearch bytes without a frame of the stream's format.
    bool joinFailed() const { return joinFailed_; }

private:
    enum class Mode { InStep, Searching, Joining };

    std::size_t frameLength(const std::uint8_t* header) const;
    // The first confirmed frame start of the stream's format in held_ from `from` on, or
    // held_.size() when there is none yet.
    std::size_t findFrame(std::size_t from) const;

    FrameSync::Format format_;
    Mode mode_ = Mode::Searching;
    std::string held_;
    std::size_t dropped_ = 0;  // bytes of the new connection skipped in search of a frame
    bool joinFailed_ = false;
};

}  // namespace zva
