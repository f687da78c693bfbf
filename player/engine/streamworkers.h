// The stream workers the engine has started and not yet joined: it owns every one of them, so
// none outlives the window's unload. A worker gets a stop token; a stop is requested when a
// newer start or a stop overtakes it, and it ends at its next pass, its probe or wait cut short.
//
// Thread contract: UI thread only. The workers themselves only note their own end.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

namespace zvengine {

class StreamWorkers {
public:
    // Runs `body` on a thread of its own.
    void start(std::function<void(std::stop_token)> body);
    // Asks every worker started so far to stop; none is waited for.
    void stopAll();
    // Asks every worker to stop and waits until each has ended. A worker waiting for the UI
    // thread gives up that wait when asked to stop, so this never waits for itself.
    void joinAll();
    // The workers whose body has not returned yet.
    std::size_t running() const;

private:
    struct Worker {
        std::shared_ptr<std::atomic<bool>> ended;
        std::jthread thread;
    };
    // Joins the workers that have ended (at once, their bodies have returned).
    void reap();

    std::vector<Worker> workers_;
};

StreamWorkers& streamWorkers();

}  // namespace zvengine
