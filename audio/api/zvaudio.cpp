// The C API: thin wrappers that find the handle's object, call it and set the thread's error.
#include "zvaudio.h"

#include <cmath>
#include <string>

#include "library.h"

using zva::Library;

namespace {

// Texts handed out by ZVA_ChannelGetTags stay valid on the calling thread until its next call.
thread_local std::string tagText;

Library& lib() {
    return Library::instance();
}

int ok(bool result) {
    return result ? 1 : 0;
}

// Runs the body of a C entry point: no exception may cross into the caller's code, so one is
// answered with the call's failure value and an error code.
template <typename Result, typename Body>
Result guarded(Result failure, Body body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        Library::setError(ZVA_ERROR_MEM);
    } catch (...) {
        Library::setError(ZVA_ERROR_UNKNOWN);
    }
    return failure;
}

}  // namespace

extern "C" {

ZVA_API uint32_t ZVA_GetVersion(void) {
    return ZVA_VERSION;
}

ZVA_API int ZVA_ErrorGetCode(void) {
    return Library::error();
}

ZVA_API const char* ZVA_GetDeviceDescription(int device) {
    return guarded<const char*>(nullptr, [&] { return lib().deviceDescription(device); });
}

ZVA_API int ZVA_Init(int device, uint32_t, uint32_t, void*, const void*) {
    return guarded(0, [&] { return lib().init(device); });
}

ZVA_API int ZVA_Free(void) {
    return guarded(0, [&] { return ok(lib().free()); });
}

ZVA_API int ZVA_Stop(void) {
    return guarded(0, [&] { return ok(lib().stop()); });
}

ZVA_API int ZVA_SetConfig(uint32_t option, uintptr_t value) {
    return guarded(0, [&] { return ok(lib().setConfig(option, value)); });
}

ZVA_API uintptr_t ZVA_GetConfig(uint32_t option) {
    return guarded<uintptr_t>(static_cast<uintptr_t>(-1), [&] { return lib().config(option); });
}

ZVA_API ZVA_HPLUGIN ZVA_PluginLoad(const char* file, uint32_t) {
    return guarded<ZVA_HPLUGIN>(0, [&]() -> ZVA_HPLUGIN {
        const ZVA_HPLUGIN handle = lib().newHandle();
        const int result = lib().plugins().load(file != nullptr ? file : "", handle);
        Library::setError(result);
        return result == ZVA_OK ? handle : 0;
    });
}

ZVA_API int ZVA_PluginFree(ZVA_HPLUGIN plugin) {
    return guarded<int>(0, [&]() -> int {
        const bool done = lib().plugins().unload(plugin);
        Library::setError(done ? ZVA_OK : ZVA_ERROR_HANDLE);
        return ok(done);
    });
}

ZVA_API ZVA_HSTREAM ZVA_StreamCreateURL(const char* url, uint32_t, uint32_t flags,
                                        ZVA_DownloadProc proc, void* user) {
    return guarded<ZVA_HSTREAM>(0, [&] { return lib().createStream(url, flags, proc, user); });
}

ZVA_API int ZVA_StreamFree(ZVA_HSTREAM handle) {
    return guarded(0, [&] { return ok(lib().freeStream(handle)); });
}

ZVA_API int64_t ZVA_StreamGetFilePosition(ZVA_HSTREAM handle, uint32_t mode) {
    return guarded<int64_t>(ZVA_POSITION_NONE, [&]() -> int64_t {
        const auto stream = lib().stream(handle);
        if (!stream) {
            return ZVA_POSITION_NONE;
        }
        const int64_t position = stream->position(mode);
        Library::setError(position == ZVA_POSITION_NONE ? ZVA_ERROR_ILLTYPE : ZVA_OK);
        return position;
    });
}

ZVA_API const char* ZVA_ChannelGetTags(ZVA_HSTREAM handle, uint32_t tags) {
    return guarded<const char*>(nullptr, [&]() -> const char* {
        const auto stream = lib().stream(handle);
        if (!stream) {
            return nullptr;
        }
        if (!stream->tags(tags, tagText)) {
            Library::setError(ZVA_ERROR_NOTAVAIL);
            return nullptr;
        }
        Library::setError(ZVA_OK);
        return tagText.c_str();
    });
}

ZVA_API int ZVA_ChannelGetInfo(ZVA_HSTREAM handle, ZVA_ChannelInfo* info) {
    return guarded<int>(0, [&]() -> int {
        const auto stream = lib().stream(handle);
        if (!stream) {
            return 0;
        }
        if (info == nullptr) {
            Library::setError(ZVA_ERROR_ILLPARAM);
            return 0;
        }
        *info = stream->info();
        Library::setError(ZVA_OK);
        return 1;
    });
}

ZVA_API ZVA_HSYNC ZVA_ChannelSetSync(ZVA_HSTREAM handle, uint32_t type, uint64_t, ZVA_SyncProc proc,
                                     void* user) {
    return guarded<ZVA_HSYNC>(0, [&]() -> ZVA_HSYNC {
        const auto stream = lib().stream(handle);
        if (!stream) {
            return 0;
        }
        if (type != ZVA_SYNC_META) {
            Library::setError(ZVA_ERROR_ILLTYPE);
            return 0;
        }
        if (proc == nullptr) {
            Library::setError(ZVA_ERROR_ILLPARAM);
            return 0;
        }
        const ZVA_HSYNC sync = lib().newHandle();
        stream->addSync(sync, proc, user);
        Library::setError(ZVA_OK);
        return sync;
    });
}

ZVA_API int ZVA_ChannelSetAttributes(ZVA_HSTREAM handle, int freq, int volume, int pan) {
    return guarded<int>(0, [&]() -> int {
        const auto stream = lib().stream(handle);
        if (!stream) {
            return 0;
        }
        if ((freq != -1 && freq != 0) || volume < -1 || volume > 100 || pan < -101 || pan > 100) {
            Library::setError(ZVA_ERROR_ILLPARAM);
            return 0;
        }
        if (volume >= 0) {
            stream->channel().setVolume(static_cast<float>(volume) / 100.0f);
        }
        if (pan != -101) {
            stream->channel().setPan(static_cast<float>(pan) / 100.0f);
        }
        Library::setError(ZVA_OK);
        return 1;
    });
}

ZVA_API int ZVA_ChannelSetAttribute(ZVA_HSTREAM handle, uint32_t attrib, float value) {
    return guarded<int>(0, [&]() -> int {
        const auto stream = lib().stream(handle);
        if (!stream) {
            return 0;
        }
        if (attrib != ZVA_ATTRIB_LOUDNESS) {
            Library::setError(ZVA_ERROR_ILLTYPE);
            return 0;
        }
        if (!std::isfinite(value) || value < -70.0f || value > 0.0f) {
            Library::setError(ZVA_ERROR_ILLPARAM);
            return 0;
        }
        stream->channel().setStartLoudness(value);
        Library::setError(ZVA_OK);
        return 1;
    });
}

ZVA_API int ZVA_ChannelGetAttribute(ZVA_HSTREAM handle, uint32_t attrib, float* value) {
    return guarded<int>(0, [&]() -> int {
        const auto stream = lib().stream(handle);
        if (!stream) {
            return 0;
        }
        if (attrib != ZVA_ATTRIB_LOUDNESS && attrib != ZVA_ATTRIB_LOUDNESS_SECONDS) {
            Library::setError(ZVA_ERROR_ILLTYPE);
            return 0;
        }
        if (value == nullptr) {
            Library::setError(ZVA_ERROR_ILLPARAM);
            return 0;
        }
        if (attrib == ZVA_ATTRIB_LOUDNESS_SECONDS) {
            *value = stream->channel().secondsMeasured();
        } else {
            const auto loudness = stream->channel().loudness();
            if (!loudness) {
                Library::setError(ZVA_ERROR_NOTAVAIL);
                return 0;
            }
            *value = *loudness;
        }
        Library::setError(ZVA_OK);
        return 1;
    });
}

ZVA_API int ZVA_ChannelGetAttributes(ZVA_HSTREAM handle, int* freq, int* volume, int* pan) {
    return guarded<int>(0, [&]() -> int {
        const auto stream = lib().stream(handle);
        if (!stream) {
            return 0;
        }
        if (freq != nullptr) {
            *freq = static_cast<int>(stream->info().freq);
        }
        if (volume != nullptr) {
            *volume = static_cast<int>(std::lround(stream->channel().volume() * 100.0f));
        }
        if (pan != nullptr) {
            *pan = static_cast<int>(std::lround(stream->channel().pan() * 100.0f));
        }
        Library::setError(ZVA_OK);
        return 1;
    });
}

ZVA_API int ZVA_ChannelPlay(ZVA_HSTREAM handle, int) {
    return guarded<int>(0, [&]() -> int {
        const auto stream = lib().stream(handle);
        return stream ? ok(lib().play(*stream)) : 0;
    });
}

ZVA_API int ZVA_ChannelStop(ZVA_HSTREAM handle) {
    return guarded<int>(0, [&]() -> int {
        const auto stream = lib().stream(handle);
        if (!stream) {
            return 0;
        }
        stream->channel().stop();
        Library::setError(ZVA_OK);
        return 1;
    });
}

ZVA_API uint32_t ZVA_ChannelIsActive(ZVA_HSTREAM handle) {
    return guarded<uint32_t>(ZVA_ACTIVE_STOPPED, [&]() -> uint32_t {
        const auto stream = lib().stream(handle);
        if (!stream) {
            return ZVA_ACTIVE_STOPPED;
        }
        Library::setError(ZVA_OK);
        switch (stream->channel().state()) {
            case zva::MixChannel::State::Playing:
                return ZVA_ACTIVE_PLAYING;
            case zva::MixChannel::State::Stalled:
                return ZVA_ACTIVE_STALLED;
            case zva::MixChannel::State::Paused:
                return ZVA_ACTIVE_PAUSED;
            case zva::MixChannel::State::Stopped:
                break;
        }
        return ZVA_ACTIVE_STOPPED;
    });
}

ZVA_API uint32_t ZVA_ChannelGetLevel(ZVA_HSTREAM handle) {
    return guarded<uint32_t>(ZVA_LEVEL_NONE, [&]() -> uint32_t {
        const auto stream = lib().stream(handle);
        if (!stream) {
            return ZVA_LEVEL_NONE;
        }
        const auto state = stream->channel().state();
        if (state == zva::MixChannel::State::Stalled) {
            Library::setError(ZVA_OK);
            return 0;
        }
        if (state != zva::MixChannel::State::Playing) {
            Library::setError(ZVA_ERROR_NOPLAY);
            return ZVA_LEVEL_NONE;
        }
        const auto level = stream->channel().level();
        Library::setError(ZVA_OK);
        return static_cast<uint32_t>(level[0]) | (static_cast<uint32_t>(level[1]) << 16);
    });
}

}  // extern "C"
