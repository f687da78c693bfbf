#include "output.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <string_view>

#include "mix/mixchannel.h"
#include "mix/mixer.h"
#include "zvaudio.h"

namespace zva {
namespace {

// 93 ms: the output wakes about 11 times a second, as often as a meter is read, which a radio
// left on all day pays for in every minute, playing or not; the levels stay exact, since each
// block of the mix carries the time it is heard. A sound starts or stops at most one period
// later than with short periods, which a listener of a radio station does not notice. The
// "no sound" device takes the same periods.
constexpr int kPeriodFrames = 4096;
// Longer than two of the longest periods: a device that has stopped taking periods does not hold
// up a pause for long.
constexpr std::chrono::milliseconds kFadeTimeout{250};
// A device gone is replaced within a fifth of a second plus its opening, well below a second of
// silence; a look costs a lock and SDL's device list, five times a second.
constexpr std::chrono::milliseconds kWatchPeriod{200};
// Longer than a switch between two stations or a short stall, so a radio being tuned keeps its
// device; after that an output with nothing to play gives it up until the next play.
constexpr std::chrono::seconds kRestAfter{5};

// SDL tells devices of one name apart by a copy number, "Kettes (2)". A device that went and
// came back may be listed so while SDL has not yet let its old self go, and keeps that name: the
// chosen device is found again by its name without the number.
std::string_view withoutCopyNumber(std::string_view name) {
    const auto open = name.rfind(" (");
    if (open == std::string_view::npos || !name.ends_with(')') || name.size() < open + 4) {
        return name;
    }
    const std::string_view number = name.substr(open + 2, name.size() - open - 3);
    const bool digits =
        std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
    return digits ? name.substr(0, open) : name;
}

MixChannel::Clock::duration periodLength(std::size_t frames) {
    return std::chrono::duration_cast<MixChannel::Clock::duration>(
        std::chrono::nanoseconds(static_cast<long long>(frames) * 1000000000 / MixChannel::kRate));
}

// SDL's audio brings its event loop, which would otherwise take SIGINT and SIGTERM for a quit
// event nobody reads: a program using the library could then no longer be ended by a signal.
int initSdlAudio() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    return SDL_InitSubSystem(SDL_INIT_AUDIO);
}

// A name from SDL's device list lasts until the next count of the list in any thread drops the
// devices removed meanwhile: the list is counted and its names read under this lock.
std::mutex& deviceListMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace

std::vector<std::string> Output::deviceNames() {
    std::vector<std::string> names;
    if (initSdlAudio() != 0) {
        return names;
    }
    std::unique_lock listLock(deviceListMutex());
    const int count = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < count; ++i) {
        const char* name = SDL_GetAudioDeviceName(i, 0);
        names.emplace_back(name != nullptr ? name : "");
    }
    listLock.unlock();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return names;
}

int Output::open(int device) {
    close();
    mixer_.resume();
    {
        std::lock_guard lock(sdlMutex_);
        paused_ = false;
    }
    if (device == 0) {
        silentQuit_ = false;
        silentPaused_ = false;
        silentResting_ = false;
        silent_ = std::thread(&Output::silentLoop, this);
        return ZVA_OK;
    }
    if (device < -1) {
        return ZVA_ERROR_DEVICE;
    }
    if (initSdlAudio() != 0) {
        return ZVA_ERROR_DRIVER;
    }
    sdlStarted_ = true;
    std::string name;
    if (device > 0) {
        std::unique_lock listLock(deviceListMutex());
        if (device > SDL_GetNumAudioDevices(0)) {
            listLock.unlock();
            close();
            return ZVA_ERROR_DEVICE;
        }
        const char* found = SDL_GetAudioDeviceName(device - 1, 0);
        name = found != nullptr ? found : "";
    }
    bool opened = false;
    {
        std::lock_guard lock(sdlMutex_);
        device_ = openSdl(device > 0 ? name.c_str() : nullptr);
        opened = device_ != 0;
        if (opened) {
            SDL_PauseAudioDevice(device_, 0);
            wanted_ = name;
            onDefault_ = false;
            watchQuit_ = false;
            watcher_ = std::thread(&Output::watchLoop, this);
        }
    }
    if (!opened) {
        close();
        return ZVA_ERROR_DEVICE;
    }
    return ZVA_OK;
}

SDL_AudioDeviceID Output::openSdl(const char* name) {
    SDL_AudioSpec wanted{};
    wanted.freq = MixChannel::kRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = kPeriodFrames;
    wanted.callback = &Output::sdlCallback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    return SDL_OpenAudioDevice(name, 0, &wanted, &obtained, 0);
}

void Output::close() {
    if (watcher_.joinable()) {
        {
            std::lock_guard lock(sdlMutex_);
            watchQuit_ = true;
        }
        watchWake_.notify_all();
        watcher_.join();
    }
    {
        std::lock_guard lock(sdlMutex_);
        fadeOutMix();
        if (device_ != 0) {
            SDL_CloseAudioDevice(device_);
            device_ = 0;
        }
    }
    if (sdlStarted_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        sdlStarted_ = false;
    }
    if (silent_.joinable()) {
        {
            std::lock_guard lock(silentMutex_);
            silentQuit_ = true;
        }
        silentWake_.notify_all();
        silent_.join();
    }
}

void Output::fadeOutMix() {
    if (!paused_ && (device_ != 0 || silent_.joinable())) {
        mixer_.fadeOut();
        mixer_.waitUntilFaded(kFadeTimeout);
    }
}

int Output::setPaused(bool paused) {
    std::lock_guard lock(sdlMutex_);
    if (!paused && sdlStarted_ && device_ == 0) {
        device_ = openFollowing(wantedListedAs(), true);
        if (device_ == 0) {
            return ZVA_ERROR_DEVICE;
        }
        watchWake_.notify_all();
    }
    if (paused) {
        fadeOutMix();
    } else {
        mixer_.resume();
    }
    paused_ = paused;
    if (device_ != 0) {
        SDL_PauseAudioDevice(device_, paused ? 1 : 0);
    }
    {
        std::lock_guard silentLock(silentMutex_);
        silentPaused_ = paused;
        silentResting_ = silentResting_ && paused;
    }
    silentWake_.notify_all();
    return ZVA_OK;
}

void Output::watchLoop() {
    pthread_setname_np(pthread_self(), "zva-device");
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(sdlMutex_);
    Clock::time_point busyAt = Clock::now();
    while (!watchQuit_) {
        if (device_ == 0) {
            // At rest: nothing to follow until a play opens a device again.
            watchWake_.wait(lock, [this] { return watchQuit_ || device_ != 0; });
            busyAt = Clock::now();
            continue;
        }
        if (watchWake_.wait_for(lock, kWatchPeriod, [this] { return watchQuit_; })) {
            break;
        }
        followDevice();
        const Clock::time_point now = Clock::now();
        if (!paused_ && !mixer_.resting()) {
            busyAt = now;
        } else if (now - busyAt >= kRestAfter) {
            SDL_CloseAudioDevice(device_);
            device_ = 0;
        }
    }
}

void Output::followDevice() {
    // SDL marks a device that was unplugged, or whose sound server stream ended, as stopped; a
    // server that moved the stream elsewhere by itself leaves it playing, but the chosen name is
    // no longer listed.
    const bool gone = SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED;
    const std::string listedAs = wantedListedAs();
    const bool listed = wanted_.empty() || !listedAs.empty();
    if (!gone && onDefault_ != listed) {
        return;
    }
    // The next device opens paused while the current one still takes the periods, so the mix
    // has one thread rendering it at a time, and a device that does not open changes nothing.
    const SDL_AudioDeviceID next = openFollowing(listedAs, gone);
    if (next == 0) {
        return;
    }
    // A device left while it still plays fades out first, so the move does not click.
    if (!gone && !paused_) {
        mixer_.fadeOut();
        mixer_.waitUntilFaded(kFadeTimeout);
    }
    SDL_CloseAudioDevice(device_);
    device_ = next;
    if (!paused_) {
        mixer_.resume();
        SDL_PauseAudioDevice(device_, 0);
    }
}

std::string Output::wantedListedAs() {
    if (wanted_.empty()) {
        return {};
    }
    std::lock_guard listLock(deviceListMutex());
    std::string sameDevice;
    for (int i = 0, count = SDL_GetNumAudioDevices(0); i < count; ++i) {
        const char* name = SDL_GetAudioDeviceName(i, 0);
        if (name == nullptr) {
            continue;
        }
        if (wanted_ == name) {
            return name;
        }
        if (sameDevice.empty() && withoutCopyNumber(wanted_) == withoutCopyNumber(name)) {
            sameDevice = name;
        }
    }
    return sameDevice;
}

SDL_AudioDeviceID Output::openFollowing(const std::string& listedAs, bool orDefault) {
    bool toDefault = listedAs.empty();
    SDL_AudioDeviceID next = openSdl(toDefault ? nullptr : listedAs.c_str());
    if (next == 0 && orDefault && !toDefault) {
        toDefault = true;
        next = openSdl(nullptr);
    }
    if (next != 0) {
        onDefault_ = toDefault && !wanted_.empty();
    }
    return next;
}

void Output::sdlCallback(void* user, Uint8* stream, int length) {
    auto* self = static_cast<Output*>(user);
    const auto frames = static_cast<std::size_t>(length) / (2 * sizeof(float));
    // SDL asks for a period while the device still holds about one period to play: this one is
    // heard about one period from now.
    self->mixer_.render(reinterpret_cast<float*>(stream), frames,
                        MixChannel::Clock::now() + periodLength(frames));
}

void Output::silentLoop() {
    pthread_setname_np(pthread_self(), "zva-output");
    using Clock = MixChannel::Clock;
    float period[kPeriodFrames * 2];
    const auto stopping = [this] { return silentQuit_ || silentPaused_; };
    std::unique_lock lock(silentMutex_);
    while (!silentQuit_) {
        if (silentPaused_ || silentResting_) {
            silentWake_.wait(lock,
                             [this] { return silentQuit_ || (!silentPaused_ && !silentResting_); });
            continue;
        }
        // Like a sound card, the thread sleeps until a whole period has played and then takes
        // the next one, so it wakes once per period. Periods are timed from the (re)start, so
        // a late wake-up is made up at once and the mix keeps real time.
        const auto start = Clock::now();
        Clock::time_point busyAt = start;
        for (long long taken = 0;; taken += kPeriodFrames) {
            const auto due = start + std::chrono::microseconds((taken + kPeriodFrames) * 1000000 /
                                                               MixChannel::kRate);
            if (silentWake_.wait_until(lock, due, stopping)) {
                break;
            }
            lock.unlock();
            // Taken when it is due, the period plays in real time from then on.
            mixer_.render(period, kPeriodFrames, due);
            const bool resting = mixer_.resting();
            lock.lock();
            if (!resting) {
                busyAt = due;
            } else if (due - busyAt >= kRestAfter) {
                silentResting_ = true;
                break;
            }
        }
    }
}

}  // namespace zva
