#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "decode/pluginregistry.h"
#include "mix/mixer.h"
#include "out/output.h"
#include "stream.h"
#include "threadreaper.h"

namespace zva {

// The library's one global state behind the C API: output device, streams by handle, options,
// add-ons and the calling thread's last error.
//
// Thread contract: every member may be called from any thread. deviceMutex_ serialises device
// changes (init, free, stop, the device list); mutex_ guards the handle tables and whether new
// streams may start. Neither is held while a stream ends, so callbacks may call back into the
// library.
class Library {
public:
    static Library& instance();

    static void setError(int code);
    static int error();

    std::uint32_t newHandle() { return nextHandle_++; }

    const char* deviceDescription(int device);
    int init(int device);
    bool free();
    bool stop();
    bool play(Stream& stream);

    bool setConfig(std::uint32_t option, std::uintptr_t value);
    std::uintptr_t config(std::uint32_t option);

    PluginRegistry& plugins() { return plugins_; }

    // Creates, opens and registers a stream: its handle, or 0 with the error set.
    std::uint32_t createStream(const char* url, std::uint32_t flags, ZVA_DownloadProc proc,
                               void* user);
    bool freeStream(std::uint32_t handle);
    // The stream of a handle, or null with ZVA_ERROR_HANDLE set.
    std::shared_ptr<Stream> stream(std::uint32_t handle);

private:
    Library();

    std::atomic<std::uint32_t> nextHandle_{1};

    std::mutex deviceMutex_;
    Mixer mixer_;
    Output output_{mixer_};                 // guarded by deviceMutex_
    bool initialised_ = false;              // guarded by deviceMutex_
    std::set<std::string> deviceNamePool_;  // guarded by deviceMutex_; never shrinks, so
                                            // every name handed out stays valid
    std::vector<const char*> deviceNames_;  // guarded by deviceMutex_

    // A whole-number option: its range and where it is kept.
    struct NumberOption {
        std::uint32_t option;
        long long min;
        long long max;
        int Library::*field;
    };
    static const NumberOption* numberOption(std::uint32_t option);

    // Ends streams that were already taken out of the handle tables.
    void end(const std::vector<std::shared_ptr<Stream>>& streams);
    Stream::Settings streamSettings(const char* url, std::uint32_t flags, ZVA_DownloadProc proc,
                                    void* user);

    std::mutex mutex_;
    std::map<std::uint32_t, std::shared_ptr<Stream>> streams_;  // guarded by mutex_
    std::set<std::shared_ptr<Stream>> opening_;                 // guarded by mutex_
    std::uint64_t generation_ = 0;  // guarded by mutex_; counts ZVA_Free calls
    bool ready_ = false;  // guarded by mutex_; a device is open and no ZVA_Free is under way
    ThreadReaper reaper_;

    std::mutex configMutex_;
    int connectTimeoutMs_ = 5000;  // guarded by configMutex_ (as are the options below)
    int bufferMs_ = 5000;
    int prebufPercent_ = 75;
    int followPlaylists_ = 0;
    int readTimeoutMs_ = 15000;
    int openTimeoutMs_ = 0;  // 0: three connect timeouts, at most 30 s
    int playlistEntries_ = 16;
    int reconnectMs_ = 30000;
    // Every agent text ever set, so that a pointer from ZVA_GetConfig stays valid whatever
    // another thread sets meanwhile; the same text is kept once.
    std::set<std::string> agentPool_;
    const std::string* agent_;
    // The proxy texts likewise; null: the proxy variables decide.
    std::set<std::string> proxyPool_;
    const std::string* proxy_ = nullptr;
    // Read by the channels without configMutex_. The target's range in tenths of LUFS.
    LevelSettings level_;
    static constexpr long long kMinLevelTarget = -700;
    static constexpr long long kMaxLevelTarget = 0;

    PluginRegistry plugins_;
};

}  // namespace zva
