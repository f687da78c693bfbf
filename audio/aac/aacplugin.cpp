// The add-on's entry point: the table libzvaudio loads, wrapping AacDecoder behind the C
// plug-in interface. Only ZVA_PluginEntry is visible outside this shared object.

#include <array>
#include <cctype>
#include <cstdio>
#include <new>
#include <string_view>

#include "aacdecoder.h"
#include "adtssync.h"
#include "zvaudio_plugin.h"

struct ZVA_Decoder {
    std::unique_ptr<zva::AacDecoder> decoder;
};

namespace {

constexpr uint32_t kAacChannelType = 68352;

// The media type of a Content-Type value, without parameters and surrounding blanks.
std::string_view mediaType(std::string_view contentType) {
    contentType = contentType.substr(0, contentType.find(';'));
    const auto first = contentType.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = contentType.find_last_not_of(" \t");
    return contentType.substr(first, last - first + 1);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

int probe(const char* contentType, const unsigned char* data, size_t size) {
    static constexpr std::array<std::string_view, 3> kTypes = {"audio/aac", "audio/aacp",
                                                               "audio/x-aac"};
    if (contentType != nullptr) {
        const std::string_view type = mediaType(contentType);
        for (const auto known : kTypes) {
            if (equalsIgnoringCase(type, known)) {
                return 1;
            }
        }
    }
    return data != nullptr && zva::AdtsSync::holdsSync(data, size) ? 1 : 0;
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
