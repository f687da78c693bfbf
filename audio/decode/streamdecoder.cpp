#include "streamdecoder.h"

#include <pthread.h>

#include <algorithm>

#include "buffer/ringbuffer.h"
#include "pcmsink.h"

namespace zva {
namespace {

// As much as the stream holds back to choose its decoder, so the first read takes all of it and
// a stream that was just created reports an empty buffer, not a few percent of it.
constexpr std::size_t kReadBytes = 4096;
constexpr std::size_t kPushFrames = 1024;

}  // namespace

StreamDecoder::StreamDecoder(DecoderKind kind, RingBuffer& ring, PcmSink& channel,
                             Listener& listener)
    : kind_(std::move(kind)), ring_(ring), channel_(channel), listener_(listener) {}

StreamDecoder::~StreamDecoder() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void StreamDecoder::start() {
    thread_ = std::thread([this] {
        // Nothing may leave a thread's body: an exception would end the whole program. The
        // stream then ends as a decoder that gave up.
        try {
            run();
        } catch (...) {
            channel_.endOfSource();
            listener_.decodingEnded(true);
        }
    });
}

void StreamDecoder::sink(void* user, const float* samples, std::size_t frames, int rate,
                         int channels) {
    auto* self = static_cast<StreamDecoder*>(user);
    self->rate_ = rate;
    self->channels_ = channels;
    // Sound already at the mix format skips the converter and its two copies. Once any frame
    // needed converting, everything after it goes through the converter too, so that nothing
    // overtakes the frames it still holds.
    if (!self->converting_ && rate == PcmSink::kRate && channels == 2) {
        if (!self->pass(samples, frames)) {
            self->cancelled_ = true;
        }
        return;
    }
    self->converting_ = true;
    if (!self->converter_.put(samples, frames, rate, channels)) {
        self->convertFailed_ = true;
    }
}

bool StreamDecoder::pass(const float* stereo, std::size_t frames) {
    while (frames > 0) {
        if (!channel_.waitForRoom(std::min(frames, kPushFrames))) {
            return false;
        }
        const std::size_t n = channel_.push(stereo, frames);
        stereo += n * 2;
        frames -= n;
        reportFormat();
    }
    return true;
}

void StreamDecoder::reportFormat() {
    // Reported once sound of the new format is in the channel, so a stream counts as ready
    // only when it can start playing at once.
    if (rate_ != reportedRate_ || channels_ != reportedChannels_) {
        reportedRate_ = rate_;
        reportedChannels_ = channels_;
        listener_.formatKnown(rate_, channels_);
    }
}

bool StreamDecoder::drain() {
    float stereo[kPushFrames * 2];
    while (converter_.available() > 0) {
        if (!channel_.waitForRoom(kPushFrames)) {
            return false;
        }
        const std::size_t n = converter_.get(stereo, kPushFrames);
        if (n == 0) {
            break;
        }
        channel_.push(stereo, n);
        reportFormat();
    }
    return true;
}

void StreamDecoder::run() {
    pthread_setname_np(pthread_self(), "zva-decode");
    ZVA_Decoder* decoder = kind_.info->open();
    if (decoder == nullptr) {
        channel_.endOfSource();
        listener_.decodingEnded(true);
        return;
    }
    unsigned char bytes[kReadBytes];
    bool failed = false;
    for (;;) {
        bool startsAnew = false;
        const std::size_t n = ring_.read(bytes, sizeof bytes, &startsAnew);
        if (n == 0) {
            break;
        }
        if (startsAnew) {
            // A new connection's first frame: what the decoder kept of the last one (an MP3
            // bit reservoir, a frame's overlap) belongs to other sound.
            kind_.info->close(decoder);
            decoder = kind_.info->open();
            if (decoder == nullptr) {
                failed = true;
                break;
            }
        }
        if (kind_.info->feed(decoder, bytes, n, &StreamDecoder::sink, this) != ZVA_FEED_OK ||
            convertFailed_) {
            failed = true;
            break;
        }
        if (cancelled_ || !drain()) {
            break;
        }
    }
    if (decoder != nullptr) {
        kind_.info->close(decoder);
    }
    converter_.flush();
    drain();
    channel_.endOfSource();
    listener_.decodingEnded(failed);
}

}  // namespace zva
