// The add-on's entry point: the table libzvaudio loads, wrapping OggDecoder behind the C plug-in
// interface. Only ZVA_PluginEntry is visible outside this shared object.

#include <array>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

#include "oggdecoder.h"
#include "text.h"
#include "zvaudio.h"
#include "zvaudio_plugin.h"

struct ZVA_Decoder {
    zva::OggDecoder decoder;
};

namespace {

int probe(const char* contentType, const unsigned char* data, size_t size) {
    static constexpr std::array<std::string_view, 3> kTypes = {"application/ogg", "audio/ogg",
                                                               "audio/opus"};
    if (contentType != nullptr) {
        const std::string_view type = zva::mediaType(contentType);
        for (const auto known : kTypes) {
            if (zva::equalsNoCase(type, known)) {
                return 1;
            }
        }
    }
    return data != nullptr && size >= 4 && std::memcmp(data, "OggS", 4) == 0 ? 1 : 0;
}

void report(const char* message) {
    std::fprintf(stderr, "zvaudio_ogg: %s\n", message);
}

ZVA_Decoder* open() {
    return new (std::nothrow) ZVA_Decoder{zva::OggDecoder(report)};
}

int feed(ZVA_Decoder* decoder, const unsigned char* data, size_t size, ZVA_PcmSink sink,
         void* user) {
    return decoder->decoder.feed(data, size, sink, user);
}

void close(ZVA_Decoder* decoder) {
    delete decoder;
}

// Each chain's codec is reported by the library itself; the table names the family's first.
constexpr ZVA_PluginInfo kInfo = {
    ZVA_PLUGIN_MAGIC,
    ZVA_PLUGIN_VERSION,
    "Ogg (Vorbis, Opus, FLAC)",
    ZVA_CTYPE_STREAM_VORBIS,
    probe,
    open,
    feed,
    close,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const ZVA_PluginInfo* ZVA_PluginEntry() {
    return &kInfo;
}
