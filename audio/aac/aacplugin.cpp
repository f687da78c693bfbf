// The add-on's entry point: the table libzvaudio loads, wrapping AacDecoder behind the C
// plug-in interface. Only ZVA_PluginEntry is visible outside this shared object.

#include <array>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

#include "aacdecoder.h"
#include "adtssync.h"
#include "text.h"
#include "zvaudio_plugin.h"

struct ZVA_Decoder {
    std::unique_ptr<zva::AacDecoder> decoder;
};

namespace {

constexpr uint32_t kAacChannelType = 68352;

int probe(const char* contentType, const unsigned char* data, size_t size) {
    static constexpr std::array<std::string_view, 3> kTypes = {"audio/aac", "audio/aacp",
                                                               "audio/x-aac"};
    if (contentType != nullptr) {
        const std::string_view type = zva::mediaType(contentType);
        for (const auto known : kTypes) {
            if (zva::equalsNoCase(type, known)) {
                return 1;
            }
        }
    }
    // An Ogg page's data may hold what looks like ADTS headers.
    const bool oggPage = data != nullptr && size >= 4 && std::memcmp(data, "OggS", 4) == 0;
    return data != nullptr && !oggPage && zva::AdtsSync::holdsSync(data, size) ? 1 : 0;
}

void report(const char* message) {
    std::fprintf(stderr, "zvaudio_aac: %s\n", message);
}

ZVA_Decoder* open() {
    auto decoder = zva::AacDecoder::create(report);
    if (!decoder) {
        return nullptr;
    }
    return new (std::nothrow) ZVA_Decoder{std::move(decoder)};
}

int feed(ZVA_Decoder* decoder, const unsigned char* data, size_t size, ZVA_PcmSink sink,
         void* user) {
    return decoder->decoder->feed(data, size, sink, user);
}

void close(ZVA_Decoder* decoder) {
    delete decoder;
}

constexpr ZVA_PluginInfo kInfo = {
    ZVA_PLUGIN_MAGIC, ZVA_PLUGIN_VERSION, "AAC (ADTS)", kAacChannelType, probe, open, feed, close,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const ZVA_PluginInfo* ZVA_PluginEntry() {
    return &kInfo;
}
