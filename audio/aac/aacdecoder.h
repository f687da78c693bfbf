#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "adtsheader.h"
#include "adtssync.h"
#include "zvaudio_plugin.h"

namespace zva {

// Decodes one ADTS stream with FAAD2: finds the frames with AdtsSync, decodes each one to float
// samples and hands them to the sink. Damaged frames and junk are skipped; the first failure and
// the giving up are reported; a long run of data that yields no sound ends the stream. HE-AAC v1/v2
// go through FAAD2's SBR and PS decoding, so a frame's output rate and channel count are taken from
// FAAD2 after it has decoded the frame, never from the header.
//
// Thread contract: one object is used by one thread at a time; the sink and the reporter are
// called on the thread that calls `feed`, before `feed` returns.
class AacDecoder final : private AdtsSync::Listener {
public:
    // Consecutive undecodable frames, and bytes since the last decoded frame, after which the
    // stream counts as lost.
    static constexpr int kMaxFailedFrames = 64;
    static constexpr size_t kMaxBytesWithoutSound = 256 * 1024;

    // Receives a one-line description of a failure.
    using Reporter = void (*)(const char* message);

    // A decoder, or null when FAAD2 cannot allocate one.
    static std::unique_ptr<AacDecoder> create(Reporter reporter);

    // ZVA_FEED_OK, or ZVA_FEED_FATAL once the decoder has given up (it then stays given up).
    int feed(const unsigned char* data, size_t size, ZVA_PcmSink sink, void* user);

private:
    struct FaadClose {
        void operator()(void* handle) const;
    };
    using FaadHandle = std::unique_ptr<void, FaadClose>;

    AacDecoder(FaadHandle handle, Reporter reporter)
        : faad_(std::move(handle)), reporter_(reporter) {}

    // A FAAD2 decoder set up for float output and stereo downmix, or null when out of memory.
    static FaadHandle openFaad();

    void onFrame(std::span<const unsigned char> frame) override;
    void onSkipped(size_t bytes) override;

    // Opens FAAD2 for the stream that `frame` (whose header is `header`) begins.
    bool start(std::span<const unsigned char> frame, const AdtsHeader& header);
    void fail(const std::string& what, size_t bytes);
    void countLoss(size_t bytes);

    FaadHandle faad_;
    AdtsSync sync_{*this};
    std::optional<AdtsHeader> stream_;  // the header FAAD2 was started on, if any
    bool faadUsed_ = false;             // FAAD2 has been started (or tried to) on some frame
    Reporter reporter_;
    bool reported_ = false;  // the first failure has been reported
    int failedFrames_ = 0;   // undecodable frames since the last decoded one
    size_t bytesLost_ = 0;   // bytes skipped or undecodable since the last decoded frame
    bool gaveUp_ = false;
    ZVA_PcmSink sink_ = nullptr;  // set for the duration of one feed
    void* user_ = nullptr;
};

}  // namespace zva
