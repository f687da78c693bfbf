#include "mp3decoder.h"

#include <mpg123.h>

#include <cstring>
#include <mutex>
#include <new>
#include <string_view>

#include "framesync.h"
#include "text.h"
#include "zvaudio.h"

namespace zva {
namespace {

// Bytes fed without a single decoded frame after which the stream counts as undecodable.
constexpr std::size_t kMaxBytesWithoutFrame = 256 * 1024;

class Mp3Decoder {
public:
    Mp3Decoder() {
        static std::once_flag once;
        std::call_once(once, [] { mpg123_init(); });
        handle_ = mpg123_new(nullptr, nullptr);
        if (handle_ == nullptr) {
            return;
        }
        mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_FLOAT, 0.0);
        mpg123_param(handle_, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
        mpg123_param(handle_, MPG123_RESYNC_LIMIT, -1, 0.0);
        mpg123_format_none(handle_);
        const long* rates = nullptr;
        std::size_t count = 0;
        mpg123_rates(&rates, &count);
        for (std::size_t i = 0; i < count; ++i) {
            mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
        }
        if (mpg123_open_feed(handle_) != MPG123_OK) {
            mpg123_delete(handle_);
            handle_ = nullptr;
        }
    }
    ~Mp3Decoder() {
        if (handle_ != nullptr) {
            mpg123_delete(handle_);
        }
    }
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    bool valid() const { return handle_ != nullptr; }

    int feed(const unsigned char* data, std::size_t size, ZVA_PcmSink sink, void* user) {
        if (size > 0 && mpg123_feed(handle_, data, size) != MPG123_OK) {
            return ZVA_FEED_FATAL;
        }
        sinceFrame_ += size;
        for (;;) {
            off_t frame = 0;
            unsigned char* audio = nullptr;
            std::size_t bytes = 0;
            const int result = mpg123_decode_frame(handle_, &frame, &audio, &bytes);
            if (result == MPG123_NEW_FORMAT) {
                long rate = 0;
                int encoding = 0;
                mpg123_getformat(handle_, &rate, &channels_, &encoding);
                rate_ = static_cast<int>(rate);
                continue;
            }
            if (result == MPG123_OK) {
                if (bytes > 0 && channels_ > 0) {
                    sinceFrame_ = 0;
                    sink(user, reinterpret_cast<const float*>(audio),
                         bytes / (sizeof(float) * static_cast<std::size_t>(channels_)), rate_,
                         channels_);
                }
                continue;
            }
            // NEED_MORE, DONE, or damaged data that the decoder skips on the next feed.
            break;
        }
        return sinceFrame_ > kMaxBytesWithoutFrame ? ZVA_FEED_FATAL : ZVA_FEED_OK;
    }

private:
    mpg123_handle* handle_ = nullptr;
    int rate_ = 0;
    int channels_ = 0;
    std::size_t sinceFrame_ = 0;  // bytes fed since the last decoded frame
};

int probe(const char* contentType, const unsigned char* data, std::size_t size) {
    // An Ogg page's data may hold what looks like frame headers.
    if (size >= 4 && std::memcmp(data, "OggS", 4) == 0) {
        return 0;
    }
    const FrameSync::Result sync = FrameSync::find(data, size);
    if (sync.format != FrameSync::Format::None) {
        return sync.format == FrameSync::Format::Mpeg;
    }
    if (contentType == nullptr) {
        return 0;
    }
    const std::string_view type = mediaType(contentType);
    for (const char* known :
         {"audio/mpeg", "audio/mp3", "audio/mpeg3", "audio/x-mpeg", "audio/mpg"}) {
        if (equalsNoCase(type, known)) {
            return 1;
        }
    }
    return 0;
}

ZVA_Decoder* open() {
    auto* decoder = new (std::nothrow) Mp3Decoder;
    if (decoder != nullptr && !decoder->valid()) {
        delete decoder;
        return nullptr;
    }
    return reinterpret_cast<ZVA_Decoder*>(decoder);
}

int feed(ZVA_Decoder* decoder, const unsigned char* data, std::size_t size, ZVA_PcmSink sink,
         void* user) {
    return reinterpret_cast<Mp3Decoder*>(decoder)->feed(data, size, sink, user);
}

void close(ZVA_Decoder* decoder) {
    delete reinterpret_cast<Mp3Decoder*>(decoder);
}

constexpr ZVA_PluginInfo kInfo = {ZVA_PLUGIN_MAGIC,
                                  ZVA_PLUGIN_VERSION,
                                  "MP3 (libmpg123)",
                                  ZVA_CTYPE_STREAM_MP3,
                                  probe,
                                  open,
                                  feed,
                                  close};

}  // namespace

const ZVA_PluginInfo& mp3DecoderInfo() {
    return kInfo;
}

}  // namespace zva
