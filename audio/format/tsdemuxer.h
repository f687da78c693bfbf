#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace zva {

// Takes the audio and the titles out of an MPEG transport stream of one program, as HLS
// segments carry it: the PAT names the PMT, the PMT the first audio stream (ADTS AAC or MPEG
// audio) and the timed ID3 streams. Audio goes out in whole frames, each a header and the
// length it states; a title goes out just before the first frame its time stamp reaches. Pure
// state machine: the output does not depend on how the input is split into calls, and memory
// stays bounded (a frame, a PSI section, an ID3 tag of at most 1 MiB per stream, a few titles).
//
// Thread contract: one object is used by one thread at a time.
class TsDemuxer {
public:
    class Sink {
    public:
        virtual ~Sink() = default;
        // Whole frames of the audio stream; valid only during the call.
        virtual void audio(const std::uint8_t* data, std::size_t size) = 0;
        virtual void title(const std::string& title) = 0;
    };

    // False once the input is not a transport stream (a packet without its sync byte, no
    // PAT/PMT within a limit) or passes a limit; the demuxer then stays failed until reset().
    bool feed(const std::uint8_t* data, std::size_t size, Sink& sink);
    // The end of a segment: the audio PES still open is complete; its frames go out.
    void flush(Sink& sink);
    // A discontinuity: timestamps start over; titles still held go out before the next audio.
    void reset();

private:
    static constexpr std::size_t kPacket = 188;
    static constexpr std::size_t kMaxId3 = 1 << 20;
    static constexpr std::size_t kMaxId3Streams = 4;
    static constexpr std::size_t kMaxTitles = 4;
    // Packets read before the PMT must have named an audio stream.
    static constexpr std::size_t kMaxPacketsBeforeAudio = 1024;
    static constexpr int kNoPid = -1;

    enum class Audio { None, Adts, Mpeg };

    struct Section {
        int pid = kNoPid;
        std::vector<std::uint8_t> bytes;  // one PSI section as far as it came, at most 1024 + 3
        bool open = false;
    };

    struct Id3Stream {
        int pid = kNoPid;
        bool open = false;     // a PES is being collected
        bool dropped = false;  // the PES outgrew kMaxId3
        bool hasPts = false;
        std::uint64_t pts = 0;
        bool bounded = false;  // the PES states its length
        std::size_t left = 0;  // payload bytes still due when bounded
        std::vector<std::uint8_t> tag;
    };

    struct Title {
        std::string text;
        bool hasPts;
        std::uint64_t pts;
    };

    void packet(const std::uint8_t* p, Sink& sink);
    void section(Section& s, const std::uint8_t* payload, std::size_t size, bool start);
    void table(const std::uint8_t* s, std::size_t size, bool pat);
    void audioPayload(const std::uint8_t* data, std::size_t size, Sink& sink);
    void releaseTitles(bool timed, std::uint64_t pts, Sink& sink);
    void id3Payload(Id3Stream& stream, const std::uint8_t* data, std::size_t size);
    void finishId3(Id3Stream& stream);

    bool failed_ = false;
    std::array<std::uint8_t, kPacket> packet_{};
    std::size_t packetFill_ = 0;
    std::size_t packetsWithoutAudio_ = 0;

    Section pat_;
    Section pmt_;
    int audioPid_ = kNoPid;
    Audio audioFormat_ = Audio::None;
    std::vector<Id3Stream> id3_;

    // Audio bytes not yet cut into frames: at most one frame and a packet's payload.
    std::vector<std::uint8_t> pending_;
    bool audioOpen_ = false;  // a PES of the audio stream has begun since the last reset
    bool ptsDue_ = false;     // the frame starting at or after pending_[ptsAt_] takes ptsNew_
    std::size_t ptsAt_ = 0;
    std::uint64_t ptsNew_ = 0;
    bool hasPts_ = false;  // nextPts_ is the time of the next frame
    std::uint64_t nextPts_ = 0;

    std::deque<Title> titles_;
};

}  // namespace zva
