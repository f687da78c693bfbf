// The watch that the window's slow timer keeps over the station on the air: a station in
// trouble (the worker could not play it, or its stream stalls) is stopped on the fourth slow
// tick in a row.
//
// Thread contract: UI thread (the window's timers).
#pragma once

namespace zvengine {

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
