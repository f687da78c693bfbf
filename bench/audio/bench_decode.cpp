// The decode-only floor of the audio benchmark: decodes whole files through the library's
// decoders (the built-in MP3 decoder, and the AAC add-on's table loaded from the program folder)
// as fast as it can, and prints the CPU seconds spent per minute of audio.
//
// Usage: bench_decode FILE...   (.aac files go to the add-on, everything else to MP3)

#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decode/mp3decoder.h"
#include "zvaudio_plugin.h"

namespace {

constexpr size_t kChunk = 4096;       // bytes per feed call, as the stream's decoder thread reads
constexpr double kMinCpuSeconds = 3;  // decode each file again until this much CPU time is spent

struct Tally {
    double seconds = 0;  // audio decoded
};

void count(void* user, const float*, size_t frames, int rate, int) {
    static_cast<Tally*>(user)->seconds += static_cast<double>(frames) / rate;
}

double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

std::string programFolder() {
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
    path.resize(n > 0 ? n : 0);
    return path.substr(0, path.rfind('/') + 1);
}

const ZVA_PluginInfo* aacDecoder() {
    void* module = dlopen((programFolder() + "libzvaudio_aac.so").c_str(), RTLD_NOW);
    if (module == nullptr) {
        std::fprintf(stderr, "bench_decode: %s\n", dlerror());
        return nullptr;
    }
    auto entry = reinterpret_cast<ZVA_PluginEntryFn>(dlsym(module, ZVA_PLUGIN_ENTRY_NAME));
    const ZVA_PluginInfo* info = entry != nullptr ? entry() : nullptr;
    if (info == nullptr || info->magic != ZVA_PLUGIN_MAGIC || info->version != ZVA_PLUGIN_VERSION) {
        std::fprintf(stderr, "bench_decode: libzvaudio_aac.so is not a usable add-on\n");
        return nullptr;
    }
    return info;
}

// Decodes `bytes` once; false when the decoder could not be opened or gave up.
bool decodeOnce(const ZVA_PluginInfo& decoder, const std::vector<unsigned char>& bytes,
                Tally& tally) {
    ZVA_Decoder* state = decoder.open();
    if (state == nullptr) {
        return false;
    }
    bool ok = true;
    for (size_t at = 0; at < bytes.size() && ok; at += kChunk) {
        const size_t n = std::min(kChunk, bytes.size() - at);
        ok = decoder.feed(state, bytes.data() + at, n, count, &tally) == ZVA_FEED_OK;
    }
    decoder.close(state);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_decode FILE...\n");
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string file = argv[i];
        const bool aac = file.size() > 4 && file.compare(file.size() - 4, 4, ".aac") == 0;
        const ZVA_PluginInfo* decoder = aac ? aacDecoder() : &zva::mp3DecoderInfo();
        std::ifstream in(file, std::ios::binary);
        const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                               std::istreambuf_iterator<char>());
        Tally tally;
        const double start = cpuSeconds();
        bool ok = decoder != nullptr && !bytes.empty();
        while (ok && cpuSeconds() - start < kMinCpuSeconds) {
            ok = decodeOnce(*decoder, bytes, tally);
        }
        const double cpu = cpuSeconds() - start;
        if (!ok || tally.seconds <= 0) {
            std::fprintf(stderr, "bench_decode: cannot decode %s\n", file.c_str());
            status = 1;
            continue;
        }
        std::printf("%s\t%s\t%.1f audio s\t%.3f CPU s\t%.4f CPU s per audio minute\n", file.c_str(),
                    aac ? "aac" : "mp3", tally.seconds, cpu, cpu / tally.seconds * 60);
    }
    return status;
}
