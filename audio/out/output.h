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
// The sound follows the device: while an SDL device is open, a watcher thread looks at it five
// times a second. When the device in use is gone (SDL reports it stopped, or the chosen name has
// left SDL's list), the system default is opened in its place; when the chosen name is listed
// again, the output moves back to it. Only the SDL device changes: the mixer, its channels and
// the pause stay as they are, and the caller sees no error. The default device that is gone is
// opened again. While the next device does not open, the current one stays and the next look
// tries again.
//
// After five seconds in which nothing but silence was to be played (no channel playing or
// refilling, or the output paused), the output rests: the SDL device is closed and the watcher
// sleeps, or the no-sound thread sleeps, so an idle program costs nothing. The next
// setPaused(false), which every play makes, takes the device again as the watcher would choose it.
//
// Thread contract: open(), close() and setPaused() from one thread at a time (the library
// serialises them); the watcher takes the SDL device from them only under sdlMutex_, and
// close() ends it. deviceNames() from any thread. The mixer is called on SDL's audio thread or the
// no-sound thread, and by the watcher to fade out a device it leaves while that one still plays.
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
    // 0, or ZVA_ERROR_DEVICE when a rested output's device does not open again.
    int setPaused(bool paused);

private:
    static void sdlCallback(void* user, Uint8* stream, int length);
    // Opens the SDL device of that name (null: the system default) paused; 0 when it cannot be
    // opened.
    SDL_AudioDeviceID openSdl(const char* name);
    void watchLoop();
    // One look of the watcher: moves to the default or back to the chosen device when due.
    // With sdlMutex_ held.
    void followDevice();
    // The name under which SDL lists the chosen device now; empty when it is not listed or the
    // default is chosen. With sdlMutex_ held.
    std::string wantedListedAs();
    // Opens the device the sound belongs on: the chosen one while it is listed (as `listedAs`),
    // else the default; with `orDefault` the default too when the chosen one does not open. Sets
    // onDefault_ when a device opened; 0 when none did. With sdlMutex_ held.
    SDL_AudioDeviceID openFollowing(const std::string& listedAs, bool orDefault);
    void silentLoop();
    // With sdlMutex_ held.
    void fadeOutMix();

    Mixer& mixer_;
    std::mutex sdlMutex_;
    SDL_AudioDeviceID device_ = 0;  // guarded by sdlMutex_; open SDL device, 0 = none
    bool paused_ = false;           // guarded by sdlMutex_; the device takes no periods
    std::string wanted_;            // guarded by sdlMutex_; the chosen name, empty: the default
    bool onDefault_ = false;        // guarded by sdlMutex_; the default plays while wanted_ is gone
    bool watchQuit_ = false;        // guarded by sdlMutex_
    std::condition_variable watchWake_;  // with sdlMutex_
    std::thread watcher_;      // runs while an SDL device is open; owned by the caller's thread
    bool sdlStarted_ = false;  // this object holds a reference on SDL's audio subsystem; owned
                               // by the caller's thread
    std::thread silent_;       // the no-sound device's thread, when that one is open
    std::mutex silentMutex_;
    std::condition_variable silentWake_;
    bool silentQuit_ = false;     // guarded by silentMutex_
    bool silentPaused_ = false;   // guarded by silentMutex_
    bool silentResting_ = false;  // guarded by silentMutex_
};

}  // namespace zva
