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

#include "decode/framealigner.h"
#include "decode/oggaligner.h"
#include "decode/pluginregistry.h"
#include "decode/streamdecoder.h"
#include "mix/mixchannel.h"
#include "net/streamreader.h"
#include "threadreaper.h"
#include "zvaudio.h"

namespace zva {

class Mixer;
class RingBuffer;

// One network stream: its download thread (StreamReader), the download buffer, its decoder
// thread and its voice in the mix, plus the tags, positions and callbacks the C API reports.
//
// The caller's download callback sees only the answer that plays: the header block and the bytes
// of an answer are held back until a decoder has taken it, so a refused playlist entry never
// reaches it.
//
// An endless stream that has played outlives its connection: when the connection ends or fails,
// the download thread connects again (ReconnectSchedule) while the sound plays on from the
// download buffer, and the new connection's frames join the old ones at a frame boundary. The
// caller sees one stream: one header block, its bytes in whole frames, the titles of every
// connection; the stream counts as connected until the give-up time has passed without a new
// connection. A station's answer (an ICY status line or any icy- header) is a broadcast however it
// ends; any other answer that has a length or ends cleanly (its final chunk, or a close without a
// length) is a file, and the stream ends with it.
//
// Thread contract: open() from the creating thread, cancel(), join() and queries from any thread.
// Events and callbacks run on the download thread. Fields are guarded by mutex_ unless marked
// otherwise.
class Stream : public std::enable_shared_from_this<Stream>,
               private StreamReader::Events,
               private StreamDecoder::Listener,
               private OggAligner::Sink {
public:
    struct Settings {
        std::string url;
        std::uint32_t flags = 0;
        ZVA_DownloadProc proc = nullptr;
        void* user = nullptr;
        StreamReader::Settings reader;
        int bufferMs = 5000;
        int prebufPercent = 75;
        std::chrono::milliseconds openTimeout{15000};
        std::chrono::milliseconds reconnectFor{30000};  // 0: a lost connection ends the stream
        std::vector<DecoderKind> decoders;
        const LevelSettings* level = nullptr;  // the library's, which outlives every stream
    };

    Stream(std::uint32_t handle, Settings settings, Mixer& mixer);
    ~Stream() override;

    // Starts the download and waits until the stream can play (format known, pre-buffer filled),
    // has failed, or the open timeout has passed: 0, or a ZVA_ERROR_* code.
    int open();
    // Ends both threads at their next step and leaves the mix; no callback starts afterwards.
    void cancel();
    // Waits for the download thread after cancel(), so that no callback runs once this returns.
    // On a stream's own thread (a callback) the thread goes to `reaper` instead: a thread cannot
    // join itself, and two callbacks that free each other's streams must not wait for each other.
    // A callback already running on this stream may then still finish.
    void join(ThreadReaper& reaper);
    // True on the download thread of any stream, that is inside a callback.
    static bool onStreamThread();

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
    int download();
    // Whether callbacks may still start.
    bool live() const;
    // Puts audio bytes into the download buffer, waiting for room; wakes open() first, since a
    // full buffer is what a pre-buffer of 100 % waits for.
    bool store(const std::uint8_t* data, std::size_t size);
    // Picks the decoder once the first bytes show the format; false when none takes it.
    bool chooseDecoder(bool force);
    bool startDecoding(const DecoderKind& kind, std::size_t bitrate);
    // An Ogg answer's first chain, read from the probe: the bit rate its header states is added
    // to the header block as an "icy-br" line when the server sent none. Returns the bit rate
    // to size the buffer for.
    int readFirstChain(std::size_t from);
    // Audio bytes of the answer that plays, through the frame or Ogg aligner to the caller and
    // the download buffer; false when they cannot go on.
    bool deliver(const std::uint8_t* data, std::size_t size);
    // `toCaller` false: bytes for the decoder alone (an Ogg chain's repeated header pages).
    bool pass(const std::string& bytes, bool toCaller = true);
    // Whether a lost connection is to be made again: the stream played, is a broadcast and still
    // decodes.
    bool mayReconnect() const;
    // Connects again until a new connection brings the sound back or the give-up time has
    // passed: true when one did and has since ended in its turn.
    bool reconnect();

    bool begin(const ResponseHeaders& headers) override;
    bool audio(const std::uint8_t* data, std::size_t size) override;
    void metadata(std::string_view text) override;
    void discontinuity() override;
    bool playing() const override;
    std::chrono::milliseconds gatherTime() const override;
    void formatKnown(int rate, int channels) override;
    void decodingEnded(bool failed) override;
    void chainStarts(const OggStreamHeader& header) override;
    void chainTitle(const std::string& title) override;
    bool pages(const std::string& bytes, bool repeated) override;

    const std::uint32_t handle_;
    const Settings settings_;
    Mixer& mixer_;
    StreamReader reader_;
    std::mutex joinMutex_;
    std::thread thread_;               // the download thread; guarded by joinMutex_
    std::atomic<bool> opening_{true};  // open() still waits

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
    OggCodec oggCodec_ = OggCodec::Unknown;  // the chain the download has reached
    std::vector<Sync> syncs_;
    // Set once under mutex_ by the download thread before the stream is playable, then only
    // read until the stream is destroyed:
    std::unique_ptr<RingBuffer> ring_;
    std::shared_ptr<MixChannel> channel_;
    std::unique_ptr<StreamDecoder> decoder_;
    DecoderKind kind_;
    std::atomic<bool> connected_{false};
    std::atomic<bool> started_{false};  // the audio answer was accepted and decoding runs
    // Download thread only:
    std::string contentType_;
    std::string heldStatus_;  // the answer's header block, held until the decoder is chosen
    std::string probe_;       // the first audio bytes, held until the decoder is chosen
    long headerBitrate_ = -1;
    int refusal_ = 0;            // why the current answer's audio was refused (a ZVA_ERROR_* code)
    bool broadcast_ = false;     // the answer that plays is a station's
    bool finite_ = false;        // the answer that plays has a length
    bool endedCleanly_ = false;  // the last connection ended as a whole answer does
    FrameAligner aligner_;
    std::unique_ptr<OggAligner> oggAligner_;  // an Ogg answer's, in place of the frame aligner
    std::string aligned_;                     // the frame aligner's output, reused
    bool joining_ = false;                    // a new connection is being tried
    bool joined_ = false;                     // its first frame went on
    bool restarted_ = false;  // the next frame starts afresh: the decoder is opened again
};

}  // namespace zva
