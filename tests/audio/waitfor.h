#pragma once

#include <chrono>
#include <thread>

namespace zvtest {

// Polls `done` every `pause` until it holds or `seconds` have passed; its last answer.
template <typename Predicate>
bool waitFor(Predicate done, double seconds = 10.0,
             std::chrono::microseconds pause = std::chrono::milliseconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(seconds));
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return done();
        }
        std::this_thread::sleep_for(pause);
    }
    return true;
}

}  // namespace zvtest
