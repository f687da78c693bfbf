// zvplay: plays one station through libzvaudio and prints what the library reports.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "tagtext.h"
#include "zvaudio.h"

namespace {

std::atomic<bool> quit{false};
std::mutex printMutex;  // callbacks print from the library's download thread

void onSignal(int) {
    quit = true;
}

void usage() {
    std::fprintf(stderr,
                 "usage: zvplay [--device N] [--volume 0..100] [--seconds S] [--quiet]\n"
                 "              [--level | --no-level] URL\n"
                 "       zvplay --list\n"
                 "  --device N  output device: -1 default (the default), 0 no sound, 1.. listed\n"
                 "  --quiet     no status line twice a second: only titles and errors\n"
                 "  --no-level  the station's sound as sent, not levelled to -16 LUFS\n");
}

void printHeaders(const char* texts) {
    std::lock_guard lock(printMutex);
    std::printf("%s\n", zva::tagTextToUtf8(texts).c_str());
    for (const char* p = texts + std::strlen(texts) + 1; *p != '\0'; p += std::strlen(p) + 1) {
        std::printf("  %s\n", zva::tagTextToUtf8(p).c_str());
    }
    std::fflush(stdout);
}

void onDownload(const void* buffer, uint32_t length, void*) {
    if (buffer == nullptr) {
        std::lock_guard lock(printMutex);
        std::printf("download ended\n");
        std::fflush(stdout);
    } else if (length == 0) {
        printHeaders(static_cast<const char*>(buffer));
    }
}

// A block without a title (no "StreamTitle='" at its start) prints nothing, as the receiver
// leaves its title as it was.
const char* formatName(std::uint32_t ctype) {
    switch (ctype) {
        case ZVA_CTYPE_STREAM_MP3:
            return "MP3";
        case ZVA_CTYPE_STREAM_AAC:
            return "AAC";
        case ZVA_CTYPE_STREAM_VORBIS:
            return "Ogg Vorbis";
        case ZVA_CTYPE_STREAM_OPUS:
            return "Ogg Opus";
        case ZVA_CTYPE_STREAM_FLAC_OGG:
            return "Ogg FLAC";
        default:
            return "unknown";
    }
}

void printTitle(const char* meta) {
    const std::optional<std::string> title = zva::streamTitle(zva::tagTextToUtf8(meta));
    if (!title) {
        return;
    }
    std::lock_guard lock(printMutex);
    std::printf("title: %s\n", title->c_str());
    std::fflush(stdout);
}

void onMeta(ZVA_HSYNC, ZVA_HSTREAM, uintptr_t data, void*) {
    printTitle(reinterpret_cast<const char*>(data));
}

const char* stateName(uint32_t state) {
    switch (state) {
        case ZVA_ACTIVE_PLAYING:
            return "playing";
        case ZVA_ACTIVE_STALLED:
            return "stalled";
        case ZVA_ACTIVE_PAUSED:
            return "paused";
        default:
            return "stopped";
    }
}

// The status line: the buffer's fill, the state and the levels.
void printStatus(ZVA_HSTREAM stream, uint32_t state) {
    const int64_t decoded = ZVA_StreamGetFilePosition(stream, ZVA_FILEPOS_CURRENT);
    const int64_t received = ZVA_StreamGetFilePosition(stream, ZVA_FILEPOS_DOWNLOAD);
    const int64_t end = ZVA_StreamGetFilePosition(stream, ZVA_FILEPOS_END);
    const uint32_t level = ZVA_ChannelGetLevel(stream);
    const bool hasLevel = level != ZVA_LEVEL_NONE;
    std::lock_guard lock(printMutex);
    std::printf(
        "buffer %3lld%%  %-7s  level L %5u R %5u%s\n",
        end > 0 ? static_cast<long long>((received - decoded) * 100 / end) : 0, stateName(state),
        hasLevel ? level & 0xFFFF : 0u, hasLevel ? level >> 16 : 0u,
        ZVA_StreamGetFilePosition(stream, ZVA_FILEPOS_CONNECTED) == 1 ? "" : "  (disconnected)");
    std::fflush(stdout);
}

int listDevices() {
    for (int n = 1; const char* name = ZVA_GetDeviceDescription(n); ++n) {
        std::printf("%d: %s\n", n, name);
    }
    std::printf("0: no sound\n-1: system default\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int device = -1;
    int volume = 100;
    double seconds = 0;
    bool quiet = false;
    bool level = true;
    const char* url = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--list") {
            return listDevices();
        } else if (arg == "--device" && i + 1 < argc) {
            device = std::atoi(argv[++i]);
        } else if (arg == "--volume" && i + 1 < argc) {
            volume = std::atoi(argv[++i]);
        } else if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "--level" || arg == "--no-level") {
            level = arg == "--level";
        } else if (!arg.starts_with("--") && url == nullptr) {
            url = argv[i];
        } else {
            usage();
            return 2;
        }
    }
    if (url == nullptr || volume < 0 || volume > 100) {
        usage();
        return 2;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    if (ZVA_Init(device, 44100, 0, nullptr, nullptr) == 0) {
        std::fprintf(stderr, "zvplay: cannot open output device %d (error %d)\n", device,
                     ZVA_ErrorGetCode());
        return 1;
    }
    ZVA_SetConfig(ZVA_CONFIG_NET_PREBUF, 0);
    ZVA_SetConfig(ZVA_CONFIG_NET_PLAYLIST, 1);
    ZVA_SetConfig(ZVA_CONFIG_LEVEL, level ? 1 : 0);
    ZVA_SetConfig(ZVA_CONFIG_NET_AGENT, reinterpret_cast<uintptr_t>("zvplay/2.3"));
    for (const char* addOn : {"libzvaudio_aac.so", "libzvaudio_ogg.so"}) {
        if (ZVA_PluginLoad(addOn, 0) == 0) {
            std::fprintf(stderr, "zvplay: %s not loaded (error %d)\n", addOn, ZVA_ErrorGetCode());
        }
    }
    const ZVA_HSTREAM stream = ZVA_StreamCreateURL(url, 0, ZVA_STREAM_STATUS, &onDownload, nullptr);
    if (stream == 0) {
        std::fprintf(stderr, "zvplay: cannot play %s (error %d)\n", url, ZVA_ErrorGetCode());
        ZVA_Free();
        return 1;
    }
    ZVA_ChannelInfo info{};
    ZVA_ChannelGetInfo(stream, &info);
    std::printf("format: %s, %u Hz, %u channel(s)\n", formatName(info.ctype), info.freq,
                info.chans);
    if (const char* meta = ZVA_ChannelGetTags(stream, ZVA_TAG_META)) {
        printTitle(meta);
    }
    ZVA_ChannelSetSync(stream, ZVA_SYNC_META, 0, &onMeta, nullptr);
    ZVA_ChannelSetAttributes(stream, -1, volume, -101);
    ZVA_ChannelPlay(stream, 0);

    const auto start = std::chrono::steady_clock::now();
    while (!quit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const uint32_t state = ZVA_ChannelIsActive(stream);
        if (!quiet) {
            printStatus(stream, state);
        }
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (state == ZVA_ACTIVE_STOPPED || (seconds > 0 && elapsed >= seconds)) {
            break;
        }
    }
    ZVA_Free();
    ZVA_PluginFree(0);
    return 0;
}
