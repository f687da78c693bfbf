#include "stream.h"

#include <pthread.h>

#include <algorithm>

#include "buffer/ringbuffer.h"
#include "decode/framesync.h"
#include "mix/mixer.h"
#include "net/reconnectschedule.h"
#include "tagtext.h"

namespace zva {
namespace {

// Audio bytes gathered before a decoder is chosen, and the most gathered in search of a
// frame start behind leading garbage.
constexpr std::size_t kProbeBytes = 4096;
constexpr std::size_t kMaxProbeBytes = 32 * 1024;
// The most of the probe a decoder's probe function is shown.
constexpr std::size_t kProbeWindow = 8192;
constexpr std::size_t kMinBuffer = 16 * 1024;
constexpr std::size_t kMaxBuffer = 16 * 1024 * 1024;
// 370 ms of decoded sound: the decoder, which refills half of it at a time, wakes about five
// times a second.
constexpr std::size_t kChannelFrames = 16384;
constexpr int kDefaultBitrate = 128000;
// FLAC states no bit rate; broadcast FLAC runs at about half of the CD rate's 1411 kbit/s.
constexpr int kFlacBitrate = 700000;
constexpr std::chrono::milliseconds kMaxGather{500};

thread_local bool streamThread = false;

}  // namespace

Stream::Stream(std::uint32_t handle, Settings settings, Mixer& mixer)
    : handle_(handle),
      settings_(std::move(settings)),
      mixer_(mixer),
      reader_(settings_.reader, *this) {}

Stream::~Stream() = default;

bool Stream::onStreamThread() {
    return streamThread;
}

int Stream::open() {
    {
        // Under joinMutex_, so that a cancel() meanwhile finds either no thread or a started one.
        std::lock_guard joinLock(joinMutex_);
        {
            std::lock_guard lock(mutex_);
            if (cancelled_) {
                return ZVA_ERROR_INIT;
            }
        }
        thread_ = std::thread([self = shared_from_this()] { self->readerMain(); });
    }
    const auto deadline = std::chrono::steady_clock::now() + settings_.openTimeout;
    std::unique_lock lock(mutex_);
    const auto prebuffered = [&] {
        return ring_ != nullptr &&
               (ring_->finished() || decodingDone_ ||
                ring_->fill() * 100 >= ring_->capacity() * std::size_t(settings_.prebufPercent));
    };
    const bool settled = changed_.wait_until(lock, deadline, [&] {
        return cancelled_ || error_ != 0 || (formatKnown_ && prebuffered()) ||
               (decodingDone_ && !formatKnown_);
    });
    opening_ = false;
    if (cancelled_) {
        return ZVA_ERROR_INIT;
    }
    if (!settled) {
        return ZVA_ERROR_TIMEOUT;
    }
    if (error_ != 0) {
        return error_;
    }
    return formatKnown_ ? ZVA_OK : ZVA_ERROR_FILEFORM;
}

void Stream::cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        if (ring_ != nullptr) {
            ring_->cancel();
        }
        if (channel_ != nullptr) {
            channel_->cancel();
            mixer_.remove(channel_.get());
        }
    }
    reader_.interrupt();
    changed_.notify_all();
}

void Stream::join(ThreadReaper& reaper) {
    // ZVA_Free and a failing ZVA_StreamCreateURL may both end the same stream.
    std::lock_guard joinLock(joinMutex_);
    if (!thread_.joinable()) {
        return;
    }
    if (onStreamThread()) {
        reaper.adopt(std::move(thread_));
    } else {
        thread_.join();
    }
}

bool Stream::live() const {
    std::lock_guard lock(mutex_);
    return !cancelled_;
}

void Stream::readerMain() {
    streamThread = true;
    pthread_setname_np(pthread_self(), "zva-download");
    const int result = download();
    connected_ = false;
    bool report = false;
    {
        std::lock_guard lock(mutex_);
        if (!started_ && error_ == 0) {
            error_ = refusal_ != 0 ? refusal_ : (result != ZVA_OK ? result : ZVA_ERROR_FILEFORM);
        }
        report = started_ && !cancelled_;
    }
    if (ring_ != nullptr) {
        ring_->finish();
    }
    changed_.notify_all();
    if (report && settings_.proc != nullptr) {
        settings_.proc(nullptr, 0, settings_.user);
    }
}

int Stream::download() {
    // Nothing may leave a thread's body: an exception here would end the whole program.
    try {
        const int result = reader_.run(settings_.url);
        endedCleanly_ = result == ZVA_OK;
        const bool played = started_;
        if (!started_ && !probe_.empty()) {
            chooseDecoder(true);
        }
        // A TLS failure is final, as on every try to connect again.
        while (played && result != ZVA_ERROR_SSL && mayReconnect() && reconnect()) {
        }
        std::string rest;
        aligner_.flush(rest);
        if (started_ && live()) {
            if (oggAligner_) {
                oggAligner_->flush(*this);
            }
            pass(rest);
        }
        return result;
    } catch (const std::bad_alloc&) {
        return ZVA_ERROR_MEM;
    } catch (...) {
        return ZVA_ERROR_UNKNOWN;
    }
}

bool Stream::mayReconnect() const {
    // A station's answer is a broadcast, connected again however it ended. Any other answer was
    // a file when it had a length or ended cleanly: the stream ends with it.
    const bool again = broadcast_ || (!finite_ && !endedCleanly_);
    std::lock_guard lock(mutex_);
    return settings_.reconnectFor.count() > 0 && again && !cancelled_ && !decodingDone_;
}

bool Stream::reconnect() {
    using Clock = ReconnectSchedule::Clock;
    ReconnectSchedule schedule(Clock::now(), settings_.reconnectFor);
    while (const std::optional<Clock::time_point> at = schedule.next(Clock::now())) {
        {
            std::unique_lock lock(mutex_);
            // Until the schedule's time; cancel() ends the wait at once.
            if (changed_.wait_until(lock, *at, [this] { return cancelled_; })) {
                return false;
            }
        }
        // What the lost connection left of its last frame or page is dropped, not joined. A live
        // playlist goes on where it stopped instead and tells its own discontinuities.
        if (!reader_.followsPlaylist()) {
            aligner_.restart();
            if (oggAligner_) {
                oggAligner_->restart();
            }
            // An Ogg decoder follows a new connection by itself: it restarts at the beginning
            // page the station repeats, or goes on with the chain that plays.
            restarted_ = !oggAligner_;
        }
        joining_ = true;
        joined_ = false;
        const Rejoin outcome = reader_.resume();
        joining_ = false;
        if (outcome == Rejoin::Final) {
            return false;
        }
        if (joined_) {
            endedCleanly_ = outcome == Rejoin::Ended;
            return true;
        }
    }
    return false;
}

bool Stream::begin(const ResponseHeaders& headers) {
    broadcast_ = headers.isLive() || reader_.followsPlaylist();
    finite_ = headers.number("Content-Length") >= 0;
    if (started_) {
        // A new connection of the stream that plays: the station is the same, so its header
        // block, tags and title stay.
        return live();
    }
    const std::string block = headers.block();
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) {
            return false;
        }
        headerBlock_ = block;
        icy_ = headers.isIcy();
        hasHeaders_ = headers.isIcy() || headers.isHttp();
        // A title belongs to the answer that sent it, not to the next playlist entry.
        meta_.clear();
        hasMeta_ = false;
    }
    refusal_ = 0;
    contentType_ = headers.value("Content-Type");
    headerBitrate_ = headers.number("icy-br");
    heldStatus_ = block;
    probe_.clear();
    connected_ = true;
    return true;
}

bool Stream::audio(const std::uint8_t* data, std::size_t size) {
    if (!live()) {
        return false;
    }
    if (started_) {
        return deliver(data, size);
    }
    probe_.append(reinterpret_cast<const char*>(data), size);
    return probe_.size() < kProbeBytes || chooseDecoder(false);
}

bool Stream::deliver(const std::uint8_t* data, std::size_t size) {
    if (oggAligner_) {
        return oggAligner_->feed(data, size, *this) && !oggAligner_->joinFailed();
    }
    aligned_.clear();
    aligner_.feed(data, size, aligned_);
    // A new connection that carries no frame of the stream is not the stream.
    return !aligner_.joinFailed() && pass(aligned_);
}

bool Stream::pass(const std::string& bytes, bool toCaller) {
    if (bytes.empty()) {
        return true;
    }
    if (restarted_) {
        ring_->markJoin();
        restarted_ = false;
    }
    if (joining_) {
        joined_ = true;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (settings_.proc != nullptr && toCaller) {
        settings_.proc(data, static_cast<std::uint32_t>(bytes.size()), settings_.user);
    }
    return store(data, bytes.size());
}

bool Stream::store(const std::uint8_t* data, std::size_t size) {
    const std::size_t now = ring_->writeSome(data, size);
    if (opening_) {
        changed_.notify_all();
    }
    return now == size || ring_->write(data + now, size - now);
}

bool Stream::chooseDecoder(bool force) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(probe_.data());
    FrameSync::Result sync = FrameSync::find(bytes, probe_.size());
    // Ogg pages begin with their capture pattern; frame headers found behind it lie inside
    // a page's data.
    const std::size_t page = probe_.find("OggS");
    const bool ogg = page != std::string::npos &&
                     (sync.format == FrameSync::Format::None || page <= sync.offset);
    if (ogg) {
        sync = FrameSync::Result{};
        sync.offset = page;
    } else if (sync.format == FrameSync::Format::None && probe_.size() < kMaxProbeBytes && !force) {
        return true;
    }
    const std::size_t from = std::min(sync.offset, probe_.size());
    const std::size_t window = std::min(kProbeWindow, probe_.size() - from);
    for (const DecoderKind& kind : settings_.decoders) {
        if (kind.info->probe(contentType_.c_str(), bytes + from, window) != 0) {
            int bitrate = sync.bitrate > 0 ? sync.bitrate : kDefaultBitrate;
            if (ogg) {
                bitrate = readFirstChain(from);
                oggAligner_ = std::make_unique<OggAligner>();
            }
            if (headerBitrate_ >= 8 && headerBitrate_ <= 640) {
                bitrate = static_cast<int>(headerBitrate_) * 1000;
            }
            aligner_ = FrameAligner(sync.format);
            return startDecoding(kind, static_cast<std::size_t>(bitrate));
        }
    }
    const bool aac = ogg || sync.format == FrameSync::Format::Adts ||
                     contentType_.find("aac") != std::string::npos;
    // Reported when the download ends: a playlist may still offer an entry that plays.
    refusal_ = aac ? ZVA_ERROR_CODEC : ZVA_ERROR_FILEFORM;
    return false;
}

int Stream::readFirstChain(std::size_t from) {
    OggPageReader reader;
    reader.feed(reinterpret_cast<const unsigned char*>(probe_.data()) + from, probe_.size() - from);
    OggPage first;
    OggStreamHeader header;
    if (reader.next(first) && first.beginsStream) {
        header = readOggStreamHeader(
            reinterpret_cast<const unsigned char*>(first.bytes.data()) + first.headerSize,
            first.bytes.size() - first.headerSize);
    }
    if (header.codec == OggCodec::Flac) {
        return kFlacBitrate;
    }
    if (header.nominalBitrate <= 0) {
        return kDefaultBitrate;
    }
    if (headerBitrate_ < 0) {
        // The label reads the rate from the headers, as a station that sends it has it.
        const std::string line = "icy-br:" + std::to_string(header.nominalBitrate / 1000);
        heldStatus_.insert(heldStatus_.size() - 1, line + '\0');
        std::lock_guard lock(mutex_);
        headerBlock_ = heldStatus_;
    }
    return header.nominalBitrate;
}

bool Stream::startDecoding(const DecoderKind& kind, std::size_t bitrate) {
    const std::size_t size =
        std::clamp(std::size_t(settings_.bufferMs) * bitrate / 8000, kMinBuffer, kMaxBuffer);
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) {
            return false;
        }
        kind_ = kind;
        ring_ = std::make_unique<RingBuffer>(size);
        channel_ = std::make_shared<MixChannel>(kChannelFrames, ring_.get(), settings_.level);
        decoder_ = std::make_unique<StreamDecoder>(kind, *ring_, *channel_,
                                                   static_cast<StreamDecoder::Listener&>(*this));
        mixer_.add(channel_);
        started_ = true;
    }
    decoder_->start();
    const std::string held = std::move(probe_);
    probe_.clear();
    // The answer plays: the caller now sees it from its header block on.
    if (settings_.proc != nullptr && live() && (settings_.flags & ZVA_STREAM_STATUS) != 0) {
        settings_.proc(heldStatus_.data(), 0, settings_.user);
    }
    return deliver(reinterpret_cast<const std::uint8_t*>(held.data()), held.size());
}

void Stream::metadata(std::string_view text) {
    const std::string copy(text);
    std::vector<Sync> syncs;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) {
            return;
        }
        meta_ = copy;
        hasMeta_ = true;
        syncs = syncs_;
    }
    for (const Sync& sync : syncs) {
        {
            std::lock_guard lock(mutex_);
            if (cancelled_) {
                return;
            }
        }
        sync.proc(sync.handle, handle_, reinterpret_cast<std::uintptr_t>(copy.c_str()), sync.user);
    }
}

void Stream::discontinuity() {
    aligner_.restart();
    restarted_ = true;
}

bool Stream::playing() const {
    return started_;
}

std::chrono::milliseconds Stream::gatherTime() const {
    // Until the sound plays (while creation waits for the pre-buffer, while the caller does its
    // own buffering before it starts playback, and after a stall) every byte brings the start of
    // playback closer.
    if (!started_ || opening_ || channel_->state() != MixChannel::State::Playing) {
        return std::chrono::milliseconds(0);
    }
    // The buffer holds at least its share of the buffer time in sound (more where it was
    // rounded up to its minimum size), so the next bytes may wait half of that: the buffer
    // keeps the other half, and the decoder's channel holds more still, so the decoder never
    // runs short, and a station that sends small packets at its own pace costs a few wake-ups
    // a second however full the buffer is. At the default size a buffer a fifth full lets the
    // download wake about twice a second.
    const auto held = std::chrono::milliseconds(static_cast<long long>(
        ring_->fill() * std::size_t(settings_.bufferMs) / ring_->capacity()));
    return std::min(kMaxGather, held / 2);
}

void Stream::formatKnown(int rate, int channels) {
    {
        std::lock_guard lock(mutex_);
        rate_ = rate;
        channels_ = channels;
        formatKnown_ = true;
    }
    changed_.notify_all();
}

void Stream::decodingEnded(bool failed) {
    {
        std::lock_guard lock(mutex_);
        decodingDone_ = true;
        if (failed && !formatKnown_ && error_ == 0) {
            error_ = ZVA_ERROR_FILEFORM;
        }
    }
    if (failed) {
        // Nothing reads the buffer any more: release a download waiting for room.
        ring_->cancel();
    }
    changed_.notify_all();
}

std::int64_t Stream::position(std::uint32_t mode) const {
    std::lock_guard lock(mutex_);
    switch (mode) {
        case ZVA_FILEPOS_CURRENT:
            return ring_ ? static_cast<std::int64_t>(ring_->totalRead()) : 0;
        case ZVA_FILEPOS_DOWNLOAD:
            return ring_ ? static_cast<std::int64_t>(ring_->totalWritten()) : 0;
        case ZVA_FILEPOS_END:
            return ring_ ? static_cast<std::int64_t>(ring_->capacity()) : 0;
        case ZVA_FILEPOS_CONNECTED:
            return connected_ ? 1 : 0;
        default:
            return ZVA_POSITION_NONE;
    }
}

bool Stream::tags(std::uint32_t type, std::string& out) const {
    std::lock_guard lock(mutex_);
    if ((type == ZVA_TAG_ICY && hasHeaders_ && icy_) ||
        (type == ZVA_TAG_HTTP && hasHeaders_ && !icy_)) {
        out = headerBlock_;
        return true;
    }
    if (type == ZVA_TAG_META && hasMeta_) {
        out = meta_;
        return true;
    }
    return false;
}

ZVA_ChannelInfo Stream::info() const {
    std::lock_guard lock(mutex_);
    ZVA_ChannelInfo info{};
    info.freq = static_cast<std::uint32_t>(rate_);
    info.chans = static_cast<std::uint32_t>(channels_);
    info.flags = settings_.flags;
    info.ctype = kind_.info != nullptr ? kind_.info->ctype : 0;
    switch (oggCodec_) {
        case OggCodec::Vorbis:
            info.ctype = ZVA_CTYPE_STREAM_VORBIS;
            break;
        case OggCodec::Opus:
            info.ctype = ZVA_CTYPE_STREAM_OPUS;
            break;
        case OggCodec::Flac:
            info.ctype = ZVA_CTYPE_STREAM_FLAC_OGG;
            break;
        case OggCodec::Unknown:
            break;
    }
    info.plugin = kind_.plugin;
    return info;
}

void Stream::chainStarts(const OggStreamHeader& header) {
    std::lock_guard lock(mutex_);
    oggCodec_ = header.codec;
}

void Stream::chainTitle(const std::string& title) {
    // Told as a station's metadata block tells it, so every reader of titles reads it alike.
    metadata(streamTitleBlock(title));
}

bool Stream::pages(const std::string& bytes, bool repeated) {
    return pass(bytes, !repeated);
}

void Stream::addSync(std::uint32_t handle, ZVA_SyncProc proc, void* user) {
    std::lock_guard lock(mutex_);
    syncs_.push_back({handle, proc, user});
}

}  // namespace zva
