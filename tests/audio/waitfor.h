#pragma once

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
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

// Whether the thread `tid` of this process sleeps, as a thread blocked on a lock or a condition
// does. A thread woken is runnable from the moment of the wake-up call, so a thread found asleep
// after a call that might wake it has done whatever that wake-up made it do.
inline bool asleep(int tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    const std::string line(std::istreambuf_iterator<char>(stat), {});
    return line.find(") S ") != std::string::npos;
}

}  // namespace zvtest
