#include "library.h"

#include <strings.h>

#include <cstring>

namespace zva {
namespace {

thread_local int lastError = ZVA_OK;

constexpr std::size_t kMaxAgent = 1024;

}  // namespace

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
    ready_ = true;
    setError(ZVA_OK);
    return 1;
}

bool Library::free() {
    std::vector<std::shared_ptr<Stream>> doomed;
    {
        std::lock_guard deviceLock(deviceMutex_);
        if (!initialised_ || !ready_) {
            setError(ZVA_ERROR_INIT);
            return false;
        }
        ready_ = false;
        std::lock_guard lock(mutex_);
        ++generation_;
        for (auto& [handle, stream] : streams_) {
            doomed.push_back(stream);
        }
        streams_.clear();
        doomed.insert(doomed.end(), opening_.begin(), opening_.end());
    }
    // No lock is held here: a stream's callback may be calling into the library right now.
    for (const auto& stream : doomed) {
        stream->shutdown();
    }
    std::lock_guard deviceLock(deviceMutex_);
    output_.close();
    initialised_ = false;
    setError(ZVA_OK);
    return true;
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
    output_.setPaused(false);
    setError(ZVA_OK);
    return true;
}

bool Library::setConfig(std::uint32_t option, std::uintptr_t value) {
    std::lock_guard lock(configMutex_);
    const auto number = static_cast<long long>(static_cast<std::intptr_t>(value));
    switch (option) {
        case ZVA_CONFIG_NET_TIMEOUT:
            if (number < 1 || number > 600000) {
                break;
            }
            connectTimeoutMs_ = static_cast<int>(number);
            return true;
        case ZVA_CONFIG_NET_BUFFER:
            if (number < 500 || number > 60000) {
                break;
            }
            bufferMs_ = static_cast<int>(number);
            return true;
        case ZVA_CONFIG_NET_PREBUF:
            if (number < 0 || number > 100) {
                break;
            }
            prebufPercent_ = static_cast<int>(number);
            return true;
        case ZVA_CONFIG_NET_AGENT: {
            const auto* text = reinterpret_cast<const char*>(value);
            agent_ = text != nullptr ? std::string(text, strnlen(text, kMaxAgent))
                                     : std::string("libzvaudio/2.3");
            return true;
        }
        case ZVA_CONFIG_NET_PLAYLIST:
            if (number != 0 && number != 1) {
                break;
            }
            followPlaylists_ = number == 1;
            return true;
        case ZVA_CONFIG_NET_READTIMEOUT:
            if (number < 100 || number > 600000) {
                break;
            }
            readTimeoutMs_ = static_cast<int>(number);
            return true;
        default:
            setError(ZVA_ERROR_ILLTYPE);
            return false;
    }
    setError(ZVA_ERROR_ILLPARAM);
    return false;
}

std::uintptr_t Library::config(std::uint32_t option) {
    std::lock_guard lock(configMutex_);
    setError(ZVA_OK);
    switch (option) {
        case ZVA_CONFIG_NET_TIMEOUT:
            return static_cast<std::uintptr_t>(connectTimeoutMs_);
        case ZVA_CONFIG_NET_BUFFER:
            return static_cast<std::uintptr_t>(bufferMs_);
        case ZVA_CONFIG_NET_PREBUF:
            return static_cast<std::uintptr_t>(prebufPercent_);
        case ZVA_CONFIG_NET_AGENT:
            return reinterpret_cast<std::uintptr_t>(agent_.c_str());
        case ZVA_CONFIG_NET_PLAYLIST:
            return followPlaylists_ ? 1 : 0;
        case ZVA_CONFIG_NET_READTIMEOUT:
            return static_cast<std::uintptr_t>(readTimeoutMs_);
        default:
            setError(ZVA_ERROR_ILLTYPE);
            return static_cast<std::uintptr_t>(-1);
    }
}

std::uint32_t Library::createStream(const char* url, std::uint32_t flags, ZVA_DownloadProc proc,
                                    void* user) {
    if (!ready_) {
        setError(ZVA_ERROR_INIT);
        return 0;
    }
    if (url == nullptr ||
        (strncasecmp(url, "http://", 7) != 0 && strncasecmp(url, "https://", 8) != 0)) {
        setError(ZVA_ERROR_FILEOPEN);
        return 0;
    }
    Stream::Settings settings;
    settings.url = url;
    settings.flags = flags;
    settings.proc = proc;
    settings.user = user;
    settings.decoders = plugins_.decoders();
    {
        std::lock_guard lock(configMutex_);
        settings.reader.http.agent = agent_;
        settings.reader.http.connectTimeoutMs = connectTimeoutMs_;
        settings.reader.http.readTimeoutMs = readTimeoutMs_;
        settings.reader.followPlaylists = followPlaylists_;
        settings.bufferMs = bufferMs_;
        settings.prebufPercent = prebufPercent_;
    }
    const std::uint32_t handle = newHandle();
    auto stream = std::make_shared<Stream>(handle, std::move(settings), mixer_);
    std::uint64_t generation;
    {
        std::lock_guard lock(mutex_);
        generation = generation_;
        opening_.insert(stream);
    }
    int result = stream->open();
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
        stream->shutdown();
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
    stream->shutdown();
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
