// The output device choice: the device to open and the last one known to work. -1 is the
// system's default device, 1.. the audio library's list.
//
// Thread contract: the values are atomic; they are read and written from the UI thread and
// read by the stream worker.
#pragma once

#include <atomic>

namespace zvengine {

struct DeviceChoice {
    std::atomic<int> deviceIndex{-1};
    std::atomic<int> previousDevice{-1};
};

DeviceChoice& deviceChoice();

}  // namespace zvengine
