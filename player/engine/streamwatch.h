// What the window's timers read of the current station: whether its stream plays, whether it is
// in trouble (the worker could not play it, or the stream stalls), and whether its download
// connection has closed. A station in trouble is stopped on the fourth slow tick in a row; one
// whose connection closed at the next tick.
//
// Thread contract: UI thread (the window's timers). The functions read the player state and ask
// the audio library, both of which any thread may use.
#pragma once

#include <cstdint>

namespace zvengine {

// The current stream's playing state as the audio library answers it (ZVA_ACTIVE_…).
std::uint32_t streamActivity();

// Whether the worker could not play the current station or its stream is stalled.
bool streamTroubled();

// Whether the current stream's download connection has closed. A stream the library does not
// know (none yet, or one stopped) is not a dropped connection.
bool connectionDropped();

// Counts the slow ticks on which the station was in trouble, one after the other.
class StallWatch {
public:
    // One slow tick; true on the fourth troubled tick in a row, when the station is to be
    // stopped and the count starts afresh. A tick without trouble starts it afresh too.
    bool tick(bool troubled);
    // A station that starts starts with a clean count.
    void reset() { stallTicks_ = 0; }

private:
    static constexpr int kTicksTolerated = 3;
    int stallTicks_ = 0;
};

}  // namespace zvengine
