#pragma once

#include <chrono>
#include <optional>

namespace zva {

// When a stream that lost its connection tries to connect again: 0.2 s, 0.5 s, 1 s and 2 s
// after the loss and after each failed try, then every 3 s, and a last time when the give-up
// time from the loss has passed. Quick at first, since most drops are short, and then sparing
// with a server that is away.
//
// A plain value type; one thread.
class ReconnectSchedule {
public:
    using Clock = std::chrono::steady_clock;

    ReconnectSchedule(Clock::time_point lostAt, std::chrono::milliseconds giveUp)
        : giveUpAt_(lostAt + giveUp) {}

    // When the next try starts, the last one having ended at `now`; nothing once the give-up
    // time has passed.
    std::optional<Clock::time_point> next(Clock::time_point now);

private:
    Clock::time_point giveUpAt_;
    int tries_ = 0;
};

}  // namespace zva
