#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "responseheaders.h"

namespace zva {

// What the download side of a stream hands to its owner, in stream order, on the stream's
// download thread.
class StreamEvents {
public:
    virtual ~StreamEvents() = default;
    // The answer that carries the audio starts; its complete header block. False refuses it.
    virtual bool begin(const ResponseHeaders& headers) = 0;
    // Audio bytes in order. False stops the download (a refused format, or cancelled).
    virtual bool audio(const std::uint8_t* data, std::size_t size) = 0;
    virtual void metadata(std::string_view text) = 0;
    // The next audio bytes do not continue the last ones (a live playlist's discontinuity or
    // a segment lost): they start at a frame of their own, with a decoder started afresh.
    virtual void discontinuity() = 0;
    // True once the audio answer was accepted for playing; no other entry is tried then.
    virtual bool playing() const = 0;
    // How long the next audio bytes may wait (HttpClient::Handler::gatherTime).
    virtual std::chrono::milliseconds gatherTime() const = 0;
};

// What a try to connect again came to.
enum class Rejoin {
    Ended,   // the audio came and has ended cleanly again
    Cut,     // the audio came and was cut off again: reset, timed out, short
    Failed,  // no audio this time, worth another try: refused, reset, timed out, 404, 5xx
    Final,   // no more tries: cancelled, refused by its owner, 401, 403, 407, a playlist,
             // a malformed answer or a TLS failure
};

}  // namespace zva
