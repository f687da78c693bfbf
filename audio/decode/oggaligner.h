#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "oggheaders.h"
#include "oggpage.h"

namespace zva {

// The download side of a chained Ogg stream: passes it on in whole, checksum-checked pages and
// follows its chains. A chain (one logical stream: an Icecast source starts one per song) is
// held back from its beginning-of-stream page until its comment packet is complete, so that its
// title is told before its first byte goes on; the chain's codec is told as it starts.
//
// After restart() (a new connection of the same station) the held bytes are dropped and the
// new bytes are searched for the next page. A station that answers again repeats the header
// pages of the chain it is in: those pages are passed on marked as repeated (the decoder needs
// them, a recording must not have them twice) and tell no title, since the song is the same.
// A page whose checksum fails is skipped.
//
// A pure state machine, holding at most kMaxHeld bytes of a chain's headers (a comment packet
// that is larger, cover art in it, lets the pages go on without waiting for the title) and one
// page; one thread (the download thread).
class OggAligner {
public:
    static constexpr std::size_t kMaxHeld = 1 << 20;
    // The most bytes searched for a page in a new connection before it counts as not carrying
    // the stream.
    static constexpr std::size_t kMaxSearch = 64 * 1024;

    class Sink {
    public:
        virtual ~Sink() = default;
        virtual void chainStarts(const OggStreamHeader& header) = 0;
        virtual void chainTitle(const std::string& title) = 0;
        // Whole pages in stream order; `repeated`: header pages a new connection sent again.
        // False stops the stream.
        virtual bool pages(const std::string& bytes, bool repeated) = 0;
    };

    OggAligner();
    ~OggAligner();
    OggAligner(const OggAligner&) = delete;
    OggAligner& operator=(const OggAligner&) = delete;

    bool feed(const std::uint8_t* data, std::size_t size, Sink& sink);
    // The end of the stream: held pages go on.
    bool flush(Sink& sink);
    void restart();

    // The new connection brought kMaxSearch bytes without a page.
    bool joinFailed() const { return joinFailed_; }

private:
    bool take(OggPage& page, bool firstAfterRestart, Sink& sink);
    void beginChain(const OggPage& page, const OggStreamHeader& header, bool firstAfterRestart,
                    Sink& sink);
    // Reads the chain's header packets from the page; true once they are complete.
    bool readHeaders(OggPage& page);
    bool release(Sink& sink);

    OggPageReader reader_;
    OggPage page_;
    ogg_stream_state headers_;  // the current chain's header packets
    bool inHeaders_ = false;    // the current chain's header pages are being held
    bool repeated_ = false;     // the current chain's headers came again after a restart
    std::uint32_t serial_ = 0;  // of the current chain
    bool hasChain_ = false;
    std::optional<std::uint32_t> passedSerial_;  // of the last chain whose headers went on
    OggStreamHeader header_;
    int packets_ = 0;  // header packets of the chain seen so far
    std::optional<std::string> title_;
    std::string held_;
    bool restarted_ = false;  // no page has come since restart()
    std::uint64_t skippedAtRestart_ = 0;
    bool joinFailed_ = false;
};

}  // namespace zva
