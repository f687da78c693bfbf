#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "oggchain.h"
#include "oggpage.h"
#include "zvaudio_plugin.h"

namespace zva {

// Decodes a chained Ogg stream as an internet radio station sends it: every song is a new
// logical stream, begun by its beginning-of-stream pages. Each run of such pages starts a new
// chain (as does one that repeats the serial of a stream in the run, as a reconnect's headers
// do); of a grouped stream's streams the first of a known codec plays, the others are ignored.
// A chain of an unknown codec gives no sound. The decoder gives up, for good, after
// kMaxBytesWithoutSound bytes of input without a page of a playing chain, or when a codec
// cannot be set up for lack of memory.
//
// Thread contract: one object is used by one thread at a time; the sink and the reporter are
// called on the thread that calls `feed`, before `feed` returns.
class OggDecoder {
public:
    static constexpr std::size_t kMaxBytesWithoutSound = 256 * 1024;

    // Receives a one-line description of a failure.
    using Reporter = void (*)(const char* message);

    explicit OggDecoder(Reporter reporter) : reporter_(reporter) {}

    // ZVA_FEED_OK, or ZVA_FEED_FATAL once the decoder has given up.
    int feed(const unsigned char* data, std::size_t size, ZVA_PcmSink sink, void* user);

private:
    // Streams of one run of beginning-of-stream pages remembered, for spotting a repeat.
    static constexpr std::size_t kMaxGroupStreams = 64;

    void onPage(ZVA_PcmSink sink, void* user);
    void countLoss(std::size_t bytes);
    void giveUp(const char* why);

    Reporter reporter_;
    OggPageReader reader_;
    OggPage page_;
    std::unique_ptr<OggChain> chain_;   // the chain that plays, if any
    bool inHeaders_ = false;            // the last page began a stream
    std::vector<std::uint32_t> group_;  // serials of the current run of such pages
    std::uint64_t skipped_ = 0;         // the reader's skipped bytes already counted
    std::size_t bytesLost_ = 0;         // input since the last page of a playing chain
    bool gaveUp_ = false;
};

}  // namespace zva
