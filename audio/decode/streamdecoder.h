#pragma once

#include <atomic>
#include <cstddef>
#include <thread>

#include "pluginregistry.h"
#include "rateconverter.h"

namespace zva {

class PcmSink;
class RingBuffer;

// A stream's decoder thread: takes bytes from the download buffer, decodes them, converts the
// sound to 44.1 kHz stereo and fills the stream's mix channel, waiting while that is full.
//
// Thread contract: construct, start() and destroy from the stream's owner; the listener is
// called on the decoder thread. The owner cancels the ring and the channel before destroying,
// which ends the thread; the destructor joins it.
class StreamDecoder {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void formatKnown(int rate, int channels) = 0;
        // Decoding ended: `failed` when the decoder gave up, else the input ran out.
        virtual void decodingEnded(bool failed) = 0;
    };

    StreamDecoder(DecoderKind kind, RingBuffer& ring, PcmSink& channel, Listener& listener);
    ~StreamDecoder();
    StreamDecoder(const StreamDecoder&) = delete;
    StreamDecoder& operator=(const StreamDecoder&) = delete;

    void start();

private:
    void run();
    static void sink(void* user, const float* samples, std::size_t frames, int rate, int channels);
    // Moves converted frames into the channel; false when cancelled.
    bool drain();
    // Moves frames that need no conversion into the channel; false when cancelled.
    bool pass(const float* stereo, std::size_t frames);
    void reportFormat();

    DecoderKind kind_;
    RingBuffer& ring_;
    PcmSink& channel_;
    Listener& listener_;
    std::thread thread_;
    // Decoder thread only:
    RateConverter converter_;
    int rate_ = 0;  // of the last decoded frame
    int channels_ = 0;
    int reportedRate_ = 0;  // as last told to the listener
    int reportedChannels_ = 0;
    bool convertFailed_ = false;
    bool converting_ = false;  // some frame needed converting: the converter takes all from now
    bool cancelled_ = false;   // the channel was cancelled while frames were passed to it
};

}  // namespace zva
