// The player state that the UI thread, the stream workers and the audio library's callbacks
// share: the current stream, the station last chosen, the slider's volume, and who is the
// current worker.
//
// Thread contract: every member may be used from any thread; the values are atomic. view and
// stations are set once on the UI thread before the first worker starts and only read after.
#pragma once

#include "receiverview.h"
#include "stationtable.h"

#include <atomic>
#include <cstdint>

namespace zvengine {

struct PlayerState {
    ReceiverView* view = nullptr;
    const StationList* stations = nullptr;

    std::atomic<std::uint32_t> streamHandle{0};  // the current stream; 0 = none
    std::atomic<int> currentStation{0};          // the preset button index last chosen
    std::atomic<int> sliderValue{48};            // the volume slider's position, 0..50
    // Counts the starts and stops of the sound. A worker keeps the value it was started with and
    // passes it to its stream's callbacks as their user value: once it differs from this one,
    // the worker and its stream have been overtaken and touch nothing shared any more.
    std::atomic<std::uint64_t> generation{0};

    bool current(std::uint64_t of) const { return generation.load() == of; }
};

PlayerState& playerState();

}  // namespace zvengine
