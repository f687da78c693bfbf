#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "../decode/pluginregistry.h"
#include "../decode/streamdecoder.h"
#include "../mix/mixchannel.h"
#include "../net/streamreader.h"
#include "zvaudio.h"

namespace zva {

class Mixer;
class RingBuffer;

// One network stream: its download thread (StreamReader), the download buffer, its decoder
// thread and its voice in the mix, plus the tags, positions and callbacks the C API reports.
//
// Thread contract: open() from the creating thread, shutdown() and queries from any thread. Events
// and callbacks run on the download thread. Fields are guarded by mutex_ unless marked otherwise.
class Stream : public std::enable_shared_from_this<Stream>,
               private StreamReader::Events,
               private StreamDecoder::Listener {
public:
    struct Settings {
        std::string url;
        std::uint32_t flags = 0;
        ZVA_DownloadProc proc = nullptr;
        void* user = nullptr;
        StreamReader::Settings reader;
        int bufferMs = 5000;
        int prebufPercent = 75;
        std::vector<DecoderKind> decoders;
    };

    Stream(std::uint32_t handle, Settings settings, Mixer& mixer);
    ~Stream() override;

    // Starts the download and waits until the stream can play (format known, pre-buffer filled)
    // or has failed: 0, or a ZVA_ERROR_* code.
    int open();
    // Stops both threads and leaves the mix; no callback runs once this returns (when called
    // from this stream's own callback, none runs after that callback).
    void shutdown();

    std::int64_t position(std::uint32_t mode) const;
    // The tag text (texts for the header tags), empty when absent.
    bool tags(std::uint32_t type, std::string& out) const;
    ZVA_ChannelInfo info() const;
    void addSync(std::uint32_t handle, ZVA_SyncProc proc, void* user);
    MixChannel& channel() { return *channel_; }

private:
    struct Sync {
        std::uint32_t handle;
        ZVA_SyncProc proc;
        void* user;
    };

    void readerMain();
    // Picks the decoder once the first bytes show the format; false when none takes it.
    bool chooseDecoder(bool force);
    bool startDecoding(const DecoderKind& kind, std::size_t bitrate);

    bool begin(const ResponseHeaders& headers) override;
    bool audio(const std::uint8_t* data, std::size_t size) override;
    void metadata(std::string_view text) override;
    bool playing() const override;
    std::chrono::milliseconds gatherTime() const override;
    void formatKnown(int rate, int channels) override;
    void decodingEnded(bool failed) override;

    const std::uint32_t handle_;
    const Settings settings_;
    Mixer& mixer_;
    StreamReader reader_;
    std::mutex joinMutex_;
    std::thread thread_;  // the download thread; guarded by joinMutex_ once started

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool cancelled_ = false;
    int error_ = 0;
    bool formatKnown_ = false;
    bool decodingDone_ = false;
    int rate_ = 0;
    int channels_ = 0;
    std::string headerBlock_;
    bool icy_ = false;
    bool hasHeaders_ = false;
    std::string meta_;
    bool hasMeta_ = false;
    std::vector<Sync> syncs_;
    // Set once under mutex_ by the download thread before the stream is playable, then only
    // read until the stream is destroyed:
    std::unique_ptr<RingBuffer> ring_;
    std::shared_ptr<MixChannel> channel_;
    std::unique_ptr<StreamDecoder> decoder_;
    DecoderKind kind_;
    std::atomic<bool> connected_{false};
    std::atomic<bool> started_{false};  // the audio answer was accepted and decoding runs
    std::atomic<bool> opened_{false};   // open() has stopped waiting
    // Download thread only:
    std::string contentType_;
    std::string probe_;  // the first audio bytes, held until the decoder is chosen
    long headerBitrate_ = -1;
    int refusal_ = 0;  // why the current answer's audio was refused (a ZVA_ERROR_* code)
};

}  // namespace zva
