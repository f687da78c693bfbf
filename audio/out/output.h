#pragma once

#include <SDL.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zva {

class Mixer;

// The sound output: an SDL playback device at 44.1 kHz stereo float, or the "no sound" device,
// a thread that takes the mix in real time and throws it away. Either one pulls periods from
// the mixer on its own thread. Pausing or closing first lets the mix fade out: they block for
// up to one period while it is rendered.
//
// Thread contract: open(), close() and setPaused() from one thread at a time (the library
// serialises them); the mixer is called on SDL's audio thread or the no-sound thread.
class Output {
public:
    explicit Output(Mixer& mixer) : mixer_(mixer) {}
    ~Output() { close(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // SDL's playback device names in SDL's order. Works whether or not a device is open.
    static std::vector<std::string> deviceNames();

    // device −1: system default, 0: no sound, n ≥ 1: the n-th name of deviceNames().
    // 0 on success, else a ZVA_ERROR_* code.
    int open(int device);
    void close();
    void setPaused(bool paused);

private:
    static void sdlCallback(void* user, Uint8* stream, int length);
    void silentLoop();
    void fadeOutMix();

    Mixer& mixer_;
    SDL_AudioDeviceID device_ = 0;  // open SDL device, 0 = none
    bool sdlStarted_ = false;       // this object holds a reference on SDL's audio subsystem
    bool paused_ = false;           // the device takes no periods; owned by the caller's thread
    std::thread silent_;            // the no-sound device's thread, when that one is open
    std::mutex silentMutex_;
    std::condition_variable silentWake_;
    bool silentQuit_ = false;    // guarded by silentMutex_
    bool silentPaused_ = false;  // guarded by silentMutex_
};

}  // namespace zva
