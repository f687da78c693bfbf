#include "library.h"

#include <strings.h>

#include <cstring>

namespace zva {
namespace {

thread_local int lastError = ZVA_OK;

constexpr std::size_t kMaxAgent = 1024;
constexpr char kDefaultAgent[] = "libzvaudio/2.3";
constexpr std::size_t kMaxProxy = 1024;

// The whole open is bounded by default at three connect timeouts, and never longer than this.
constexpr int kMaxDefaultOpenMs = 30000;

// A proxy text libcurl will take as an HTTP or SOCKS proxy: no scheme (HTTP), or one of those.
bool acceptedProxy(const std::string& proxy) {
    const std::size_t end = proxy.find("://");
    if (end == std::string::npos) {
        return true;
    }
    const std::string scheme = proxy.substr(0, end);
    for (const char* accepted : {"http", "https", "socks4", "socks4a", "socks5", "socks5h"}) {
        if (strcasecmp(scheme.c_str(), accepted) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

Library::Library() : agent_(&*agentPool_.insert(kDefaultAgent).first) {}

Library& Library::instance() {
    static Library* library = new Library;  // never destroyed: threads may outlive exit
    return *library;
}

void Library::setError(int code) {
    lastError = code;
}

int Library::error() {
    return lastError;
}

const char* Library::deviceDescription(int device) {
    std::lock_guard lock(deviceMutex_);
    if (device == 1 || deviceNames_.empty()) {
        deviceNames_.clear();
        for (const std::string& name : Output::deviceNames()) {
            deviceNames_.push_back(deviceNamePool_.insert(name).first->c_str());
        }
    }
    if (device < 1 || static_cast<std::size_t>(device) > deviceNames_.size()) {
        setError(ZVA_ERROR_DEVICE);
        return nullptr;
    }
    setError(ZVA_OK);
    return deviceNames_[static_cast<std::size_t>(device) - 1];
}

int Library::init(int device) {
    std::lock_guard lock(deviceMutex_);
    if (initialised_) {
        setError(ZVA_ERROR_ALREADY);
        return 0;
    }
    const int result = output_.open(device);
    if (result != ZVA_OK) {
        setError(result);
        return 0;
    }
    initialised_ = true;
    {
        std::lock_guard lock(mutex_);
        ready_ = true;
    }
    setError(ZVA_OK);
    return 1;
}

bool Library::free() {
    std::vector<std::shared_ptr<Stream>> doomed;
    {
        std::lock_guard deviceLock(deviceMutex_);
        std::lock_guard lock(mutex_);
        if (!initialised_ || !ready_) {
            setError(ZVA_ERROR_INIT);
            return false;
        }
        ready_ = false;
        ++generation_;
        for (auto& [handle, stream] : streams_) {
            doomed.push_back(stream);
        }
        streams_.clear();
        doomed.insert(doomed.end(), opening_.begin(), opening_.end());
    }
    // No lock is held here: a stream's callback may be calling into the library right now.
    end(doomed);
    reaper_.joinAll();
    std::lock_guard deviceLock(deviceMutex_);
    output_.close();
    initialised_ = false;
    setError(ZVA_OK);
    return true;
}

void Library::end(const std::vector<std::shared_ptr<Stream>>& streams) {
    // Every stream is told first and joined after, so that a stream still connecting does not
    // hold up the others, and one blocked in a callback is released by the others' ends.
    for (const auto& stream : streams) {
        stream->cancel();
    }
    for (const auto& stream : streams) {
        stream->join(reaper_);
    }
}

bool Library::stop() {
    std::lock_guard deviceLock(deviceMutex_);
    if (!initialised_) {
        setError(ZVA_ERROR_INIT);
        return false;
    }
    output_.setPaused(true);
    std::lock_guard lock(mutex_);
    for (auto& [handle, stream] : streams_) {
        stream->channel().pause();
    }
    setError(ZVA_OK);
    return true;
}

bool Library::play(Stream& stream) {
    std::lock_guard deviceLock(deviceMutex_);
    if (!initialised_) {
        setError(ZVA_ERROR_INIT);
        return false;
    }
    stream.channel().play();
    const int result = output_.setPaused(false);
    setError(result);
    return result == ZVA_OK;
}

const Library::NumberOption* Library::numberOption(std::uint32_t option) {
    static const NumberOption options[] = {
        {ZVA_CONFIG_NET_TIMEOUT, 1, 600000, &Library::connectTimeoutMs_},
        {ZVA_CONFIG_NET_BUFFER, 500, 60000, &Library::bufferMs_},
        {ZVA_CONFIG_NET_PREBUF, 0, 100, &Library::prebufPercent_},
        {ZVA_CONFIG_NET_PLAYLIST, 0, 1, &Library::followPlaylists_},
        {ZVA_CONFIG_NET_READTIMEOUT, 100, 600000, &Library::readTimeoutMs_},
        {ZVA_CONFIG_NET_OPENTIMEOUT, 0, 600000, &Library::openTimeoutMs_},
        {ZVA_CONFIG_NET_PLAYLIST_ENTRIES, 1, 1000, &Library::playlistEntries_},
        {ZVA_CONFIG_NET_RECONNECT, 0, 3600000, &Library::reconnectMs_},
    };
    for (const NumberOption& entry : options) {
        if (entry.option == option) {
            return &entry;
        }
    }
    return nullptr;
}

bool Library::setConfig(std::uint32_t option, std::uintptr_t value) {
    std::lock_guard lock(configMutex_);
    // The levelling settings are read by every channel as it plays, so a change reaches the
    // channels already playing too.
    if (option == ZVA_CONFIG_LEVEL || option == ZVA_CONFIG_LEVEL_TARGET) {
        const auto number = static_cast<long long>(static_cast<std::intptr_t>(value));
        const bool on = option == ZVA_CONFIG_LEVEL;
        if (on ? number < 0 || number > 1 : number < kMinLevelTarget || number > kMaxLevelTarget) {
            setError(ZVA_ERROR_ILLPARAM);
            return false;
        }
        if (on) {
            level_.on = number != 0;
        } else {
            level_.targetTenths = static_cast<int>(number);
        }
        return true;
    }
    if (option == ZVA_CONFIG_NET_AGENT) {
        const auto* text = reinterpret_cast<const char*>(value);
        agent_ = &*agentPool_
                       .insert(text != nullptr ? std::string(text, strnlen(text, kMaxAgent))
                                               : std::string(kDefaultAgent))
                       .first;
        return true;
    }
    if (option == ZVA_CONFIG_NET_PROXY) {
        const auto* text = reinterpret_cast<const char*>(value);
        if (text == nullptr) {
            proxy_ = nullptr;
            return true;
        }
        std::string proxy(text, strnlen(text, kMaxProxy + 1));
        if (proxy.size() > kMaxProxy || !acceptedProxy(proxy)) {
            setError(ZVA_ERROR_ILLPARAM);
            return false;
        }
        proxy_ = &*proxyPool_.insert(std::move(proxy)).first;
        return true;
    }
    const NumberOption* entry = numberOption(option);
    if (entry == nullptr) {
        setError(ZVA_ERROR_ILLTYPE);
        return false;
    }
    const auto number = static_cast<long long>(static_cast<std::intptr_t>(value));
    if (number < entry->min || number > entry->max) {
        setError(ZVA_ERROR_ILLPARAM);
        return false;
    }
    this->*entry->field = static_cast<int>(number);
    return true;
}

std::uintptr_t Library::config(std::uint32_t option) {
    std::lock_guard lock(configMutex_);
    setError(ZVA_OK);
    if (option == ZVA_CONFIG_NET_AGENT) {
        return reinterpret_cast<std::uintptr_t>(agent_->c_str());
    }
    if (option == ZVA_CONFIG_NET_PROXY) {
        return proxy_ != nullptr ? reinterpret_cast<std::uintptr_t>(proxy_->c_str()) : 0;
    }
    if (option == ZVA_CONFIG_LEVEL) {
        return level_.on ? 1 : 0;
    }
    if (option == ZVA_CONFIG_LEVEL_TARGET) {
        return static_cast<std::uintptr_t>(static_cast<std::intptr_t>(level_.targetTenths));
    }
    const NumberOption* entry = numberOption(option);
    if (entry == nullptr) {
        setError(ZVA_ERROR_ILLTYPE);
        return static_cast<std::uintptr_t>(-1);
    }
    return static_cast<std::uintptr_t>(this->*entry->field);
}

Stream::Settings Library::streamSettings(const char* url, std::uint32_t flags,
                                         ZVA_DownloadProc proc, void* user) {
    Stream::Settings settings;
    settings.url = url;
    settings.flags = flags;
    settings.proc = proc;
    settings.user = user;
    settings.decoders = plugins_.decoders();
    std::lock_guard lock(configMutex_);
    settings.reader.http.agent = *agent_;
    if (proxy_ != nullptr) {
        settings.reader.http.proxy = *proxy_;
    }
    settings.reader.http.connectTimeoutMs = connectTimeoutMs_;
    settings.reader.http.readTimeoutMs = readTimeoutMs_;
    settings.reader.followPlaylists = followPlaylists_ != 0;
    settings.level = &level_;
    settings.reader.maxEntries = playlistEntries_;
    settings.bufferMs = bufferMs_;
    settings.prebufPercent = prebufPercent_;
    settings.reconnectFor = std::chrono::milliseconds(reconnectMs_);
    settings.openTimeout = std::chrono::milliseconds(
        openTimeoutMs_ != 0 ? openTimeoutMs_ : std::min(3 * connectTimeoutMs_, kMaxDefaultOpenMs));
    return settings;
}

std::uint32_t Library::createStream(const char* url, std::uint32_t flags, ZVA_DownloadProc proc,
                                    void* user) {
    const bool web = url != nullptr &&
                     (strncasecmp(url, "http://", 7) == 0 || strncasecmp(url, "https://", 8) == 0);
    const std::uint32_t handle = newHandle();
    std::shared_ptr<Stream> stream;
    if (web) {
        stream = std::make_shared<Stream>(handle, streamSettings(url, flags, proc, user), mixer_);
    }
    std::uint64_t generation;
    {
        // Checked and registered under one lock: a ZVA_Free either comes first and refuses this
        // stream, or comes after and finds it among the streams it ends.
        std::lock_guard lock(mutex_);
        if (!ready_ || !web) {
            setError(ready_ ? ZVA_ERROR_FILEOPEN : ZVA_ERROR_INIT);
            return 0;
        }
        generation = generation_;
        opening_.insert(stream);
    }
    int result = ZVA_ERROR_UNKNOWN;
    try {
        result = stream->open();
    } catch (const std::bad_alloc&) {
        result = ZVA_ERROR_MEM;
    } catch (...) {
        result = ZVA_ERROR_UNKNOWN;
    }
    {
        std::lock_guard lock(mutex_);
        opening_.erase(stream);
        if (result == ZVA_OK && generation != generation_) {
            result = ZVA_ERROR_INIT;
        }
        if (result == ZVA_OK) {
            streams_.emplace(handle, stream);
        }
    }
    if (result != ZVA_OK) {
        end({stream});
        setError(result);
        return 0;
    }
    setError(ZVA_OK);
    return handle;
}

bool Library::freeStream(std::uint32_t handle) {
    std::shared_ptr<Stream> stream;
    {
        std::lock_guard lock(mutex_);
        const auto it = streams_.find(handle);
        if (it == streams_.end()) {
            setError(ZVA_ERROR_HANDLE);
            return false;
        }
        stream = std::move(it->second);
        streams_.erase(it);
    }
    end({stream});
    setError(ZVA_OK);
    return true;
}

std::shared_ptr<Stream> Library::stream(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    const auto it = streams_.find(handle);
    if (it == streams_.end()) {
        setError(ZVA_ERROR_HANDLE);
        return nullptr;
    }
    return it->second;
}

}  // namespace zva
