// The SDL2 functions the library calls, resolved from libSDL2-2.0.so.0 on first use instead of
// when the library is loaded. SDL2 brings some fifty libraries (sound servers, X11, Wayland)
// whose loading and relocation cost every process several milliseconds, even one that plays
// on the "no sound" device and never converts a rate. Without SDL2 each call fails the way
// SDL reports failure: -1, 0 or a null pointer.
//
// Thread contract: any thread; the first use of each function resolves it once.
#include <SDL.h>
#include <dlfcn.h>

namespace {

void* sdlSymbol(const char* name) {
    static void* const library = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    return library != nullptr ? dlsym(library, name) : nullptr;
}

// SDL's own definition of the function `Function`, or null.
template <auto Function>
decltype(Function) real(const char* name) {
    static const auto function = reinterpret_cast<decltype(Function)>(sdlSymbol(name));
    return function;
}

}  // namespace

int SDL_InitSubSystem(Uint32 flags) {
    const auto f = real<&SDL_InitSubSystem>("SDL_InitSubSystem");
    return f != nullptr ? f(flags) : -1;
}

SDL_bool SDL_SetHint(const char* name, const char* value) {
    const auto f = real<&SDL_SetHint>("SDL_SetHint");
    return f != nullptr ? f(name, value) : SDL_FALSE;
}

void SDL_QuitSubSystem(Uint32 flags) {
    if (const auto f = real<&SDL_QuitSubSystem>("SDL_QuitSubSystem")) {
        f(flags);
    }
}

int SDL_GetNumAudioDevices(int iscapture) {
    const auto f = real<&SDL_GetNumAudioDevices>("SDL_GetNumAudioDevices");
    return f != nullptr ? f(iscapture) : -1;
}

const char* SDL_GetAudioDeviceName(int index, int iscapture) {
    const auto f = real<&SDL_GetAudioDeviceName>("SDL_GetAudioDeviceName");
    return f != nullptr ? f(index, iscapture) : nullptr;
}

SDL_AudioDeviceID SDL_OpenAudioDevice(const char* device, int iscapture,
                                      const SDL_AudioSpec* desired, SDL_AudioSpec* obtained,
                                      int allowed_changes) {
    const auto f = real<&SDL_OpenAudioDevice>("SDL_OpenAudioDevice");
    return f != nullptr ? f(device, iscapture, desired, obtained, allowed_changes) : 0;
}

void SDL_PauseAudioDevice(SDL_AudioDeviceID dev, int pause_on) {
    if (const auto f = real<&SDL_PauseAudioDevice>("SDL_PauseAudioDevice")) {
        f(dev, pause_on);
    }
}

SDL_AudioStatus SDL_GetAudioDeviceStatus(SDL_AudioDeviceID dev) {
    const auto f = real<&SDL_GetAudioDeviceStatus>("SDL_GetAudioDeviceStatus");
    return f != nullptr ? f(dev) : SDL_AUDIO_STOPPED;
}

void SDL_CloseAudioDevice(SDL_AudioDeviceID dev) {
    if (const auto f = real<&SDL_CloseAudioDevice>("SDL_CloseAudioDevice")) {
        f(dev);
    }
}

SDL_AudioStream* SDL_NewAudioStream(SDL_AudioFormat src_format, Uint8 src_channels, int src_rate,
                                    SDL_AudioFormat dst_format, Uint8 dst_channels, int dst_rate) {
    const auto f = real<&SDL_NewAudioStream>("SDL_NewAudioStream");
    return f != nullptr ? f(src_format, src_channels, src_rate, dst_format, dst_channels, dst_rate)
                        : nullptr;
}

int SDL_AudioStreamPut(SDL_AudioStream* stream, const void* buf, int len) {
    const auto f = real<&SDL_AudioStreamPut>("SDL_AudioStreamPut");
    return f != nullptr ? f(stream, buf, len) : -1;
}

int SDL_AudioStreamGet(SDL_AudioStream* stream, void* buf, int len) {
    const auto f = real<&SDL_AudioStreamGet>("SDL_AudioStreamGet");
    return f != nullptr ? f(stream, buf, len) : -1;
}

int SDL_AudioStreamAvailable(SDL_AudioStream* stream) {
    const auto f = real<&SDL_AudioStreamAvailable>("SDL_AudioStreamAvailable");
    return f != nullptr ? f(stream) : 0;
}

int SDL_AudioStreamFlush(SDL_AudioStream* stream) {
    const auto f = real<&SDL_AudioStreamFlush>("SDL_AudioStreamFlush");
    return f != nullptr ? f(stream) : -1;
}

void SDL_FreeAudioStream(SDL_AudioStream* stream) {
    if (const auto f = real<&SDL_FreeAudioStream>("SDL_FreeAudioStream")) {
        f(stream);
    }
}
