#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tsdemuxer.h"

namespace zva {

// Reads the segments of one HLS stream, one after another, into its audio and titles. A segment
// is either an MPEG transport stream (packets of 188 bytes from its first byte on), whose
// demuxer carries over from segment to segment, or packed audio: ID3v2 tags, then ADTS or MPEG
// audio frames, which go on as they come. The titles of a packed segment's tags go out before
// its first audio byte; titles are not compared with earlier ones. Memory stays bounded: a tag is
// collected up to 1 MiB, a larger one is skipped.
//
// Thread contract: one object is used by one thread at a time.
class SegmentReader {
public:
    using Sink = TsDemuxer::Sink;

    // The next segment's bytes begin.
    void beginSegment();
    // A segment's bytes, in pieces. False when a segment is neither a transport stream nor packed
    // audio (ADTS or MPEG frames, with ID3 tags in front), or passes a limit.
    bool feed(const std::uint8_t* data, std::size_t size, Sink& sink);
    // The segment ended.
    void endSegment(Sink& sink);
    // The next segment does not continue this one (a discontinuity or a skipped segment).
    void discontinuity();

private:
    static constexpr std::size_t kPacket = 188;
    static constexpr std::size_t kMaxTag = 1 << 20;

    // Start: the first bytes tell a transport stream from a tag or audio, and after a tag a
    // further tag from audio. Tag: an ID3 tag is collected (or skipped). Audio: everything goes
    // on.
    enum class State { Start, Tag, Audio, Ts, Failed };

    // Chooses what head_ begins; false when it is none of them. At the segment's end (`ended`)
    // fewer bytes than usual decide.
    bool decide(Sink& sink, bool ended);

    State state_ = State::Start;
    std::vector<std::uint8_t> head_;   // Start: bytes not decided on yet; Tag: the tag so far
    bool tagsSeen_ = false;            // the segment began with a tag, so it is no stream
    std::size_t tagLeft_ = 0;          // Tag: bytes of the tag still due
    bool skipping_ = false;            // Tag: the tag is too large to collect
    std::vector<std::string> titles_;  // of this segment's tags, until its audio begins
    TsDemuxer ts_;
};

}  // namespace zva
