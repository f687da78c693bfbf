// The bytes of the title on the air, kept from its first whole frame, so that a recording
// switched on in the middle of a title begins where the title began. They lie in a private,
// nameless file in the TEMP folder rather than in memory; a title longer than the limit
// (64 MiB) keeps its newest part, from a frame start.
//
// A recording follows the keep: from follow() on, every kept byte reaches its file once and in
// order, the oldest first. The bytes kept before follow() are copied in steps of at most
// 256 KiB, one step per block received, so a long look-back never holds up the download; once
// the copy has caught up, each block goes to the file as it comes. A keep whose file cannot be
// written gives the look-back up until the next title, but first hands its follower everything
// it still owes, so the recording goes on without a gap.
//
// Thread contract: not thread-safe; the one object lives in the recording state and is used
// with its mutex held.
#pragma once

#include "clsfileio.h"
#include "framestart.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace zvengine {

class TitleKeep {
public:
    static constexpr std::uint64_t kLimit = std::uint64_t{64} << 20;
    static constexpr std::size_t kCopyStep = std::size_t{256} << 10;

    explicit TitleKeep(std::uint64_t limit = kLimit);
    ~TitleKeep();
    TitleKeep(const TitleKeep&) = delete;
    TitleKeep& operator=(const TitleKeep&) = delete;

    // Forgets the kept bytes and the follower: a new title, a stop, another station, the end of
    // the download. The next title keeps again, also after a failure.
    void drop();
    // Keeps a received block, from the title's first whole frame on, and feeds the follower.
    // `start` is the stream's format, when it is known yet; else the first frame of any format
    // begins the title and tells it. `chainHeaders`: an Ogg stream's current chain header pages,
    // which a follower's file gets first when the title began inside the chain.
    void keep(const unsigned char* data, std::size_t size, std::optional<FrameStart> start,
              std::string_view chainHeaders = {});

    // Makes `writer` the follower, from the oldest kept byte on; `synced` (the recording's flag,
    // which must outlive the following) is set once it has been given a byte. False when the
    // keep has given up for this title: the recording then writes the blocks itself.
    bool follow(clsFileIo& writer, bool& synced);
    void unfollow();
    bool following() const { return follower_ != nullptr; }

    // How many bytes are kept now.
    std::uint64_t kept() const { return end_ - begin_; }

private:
    bool open();
    // Room for `size` more bytes: the oldest go, up to a frame start, once the follower has them.
    bool makeRoom(std::size_t size);
    // The follower gets the kept bytes from where it stands up to `to`.
    bool copyTo(std::uint64_t to);
    void pass(const unsigned char* data, std::size_t size);
    // The file failed: the follower gets what it is owed, `data` last, and the keep stops.
    void giveUp(const unsigned char* data, std::size_t size);
    bool writeAt(std::uint64_t at, const unsigned char* data, std::size_t size);
    bool readAt(std::uint64_t at, unsigned char* into, std::size_t size);
    // Hands the `size` bytes at `at` to `io` (a pwrite or a pread: the bytes done so far, the
    // length of the run, its place in the file) in runs split where the file wraps, again after
    // an interruption or a short count; false when `io` fails.
    template <typename Io>
    bool overRing(std::uint64_t at, std::size_t size, Io io) const;
    unsigned char* buffer();

    const std::uint64_t limit_;
    int file_ = -1;  // the nameless file; a kept byte at stream offset o lies at o % limit_
    std::uint64_t begin_ = 0;  // the oldest kept byte's offset in the title, a frame start
    std::uint64_t end_ = 0;    // one past the newest
    bool started_ = false;     // the title's first whole frame has come
    bool gaveUp_ = false;      // the file failed during this title
    FrameStart start_ = FrameStart::Mp3;  // the title's format, from its first frame on
    std::string_view chainHeaders_;       // during keep(): its chainHeaders
    clsFileIo* follower_ = nullptr;
    bool* synced_ = nullptr;                   // the follower's flag
    std::uint64_t followed_ = 0;               // the first byte the follower has not been given
    std::unique_ptr<unsigned char[]> buffer_;  // copies and searches; freed by drop()
};

}  // namespace zvengine
