// The output device: the device to open and the last one known to work, and InitDev, which
// opens the audio library's output on it, falls back to the previous and then the default
// device with a box before each new try, ends the program when none opens, and sets the
// library's network options, the proxy among them.
//
// Thread contract: the values are atomic; InitDev runs on the UI thread (a worker that needs it
// has the UI thread run it), while the audio library's output is closed. A worker marks the
// output used before it checks, for the last time, that its start is still current.
#pragma once

#include <QString>

#include <atomic>

namespace zvengine {

struct DeviceChoice {
    std::atomic<int> deviceIndex{-1};  // -1 is the system's default, 1.. the library's list
    std::atomic<int> previousDevice{-1};
    // True while the output InitDev opened last has had no stream created on it. A stop leaves
    // such an output as it is: freeing the library would only close and reopen the device, and
    // closing it waits for the device to play out (two periods, about 0.2 s).
    std::atomic<bool> unused{false};
};

DeviceChoice& deviceChoice();

// "Zenovia v<major>.<minor>.<revision>", sent with every stream request.
QString agentText();

void InitDev();

}  // namespace zvengine
