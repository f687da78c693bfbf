#include "streamworkers.h"

#include <algorithm>

namespace zvengine {

StreamWorkers& streamWorkers() {
    static StreamWorkers workers;
    return workers;
}

void StreamWorkers::start(std::function<void(std::stop_token)> body) {
    reap();
    auto ended = std::make_shared<std::atomic<bool>>(false);
    std::jthread thread([body = std::move(body), ended](std::stop_token stop) {
        body(stop);
        *ended = true;
    });
    workers_.push_back({std::move(ended), std::move(thread)});
}

void StreamWorkers::stopAll() {
    for (Worker& worker : workers_) {
        worker.thread.request_stop();
    }
}

void StreamWorkers::joinAll() {
    stopAll();
    for (Worker& worker : workers_) {
        worker.thread.join();
    }
    workers_.clear();
}

std::size_t StreamWorkers::running() const {
    return static_cast<std::size_t>(
        std::count_if(workers_.begin(), workers_.end(), [](const Worker& w) { return !*w.ended; }));
}

void StreamWorkers::reap() {
    std::erase_if(workers_, [](const Worker& w) { return w.ended->load(); });
}

}  // namespace zvengine
