#pragma once

#include <mutex>
#include <thread>
#include <vector>

namespace zva {

// Stream threads that could not be joined where they were let go: a stream freed from its own
// callback (a thread cannot join itself) or from another stream's callback (two callbacks that
// free each other's streams would otherwise wait for each other for ever). ZVA_Free joins them,
// so that nothing of a stream (its decoder, an add-on it holds) still runs once it returns.
//
// Thread contract: every member may be called from any thread.
class ThreadReaper {
public:
    void adopt(std::thread thread);
    // Joins every adopted thread but the calling one, which stays adopted.
    void joinAll();

private:
    std::mutex mutex_;
    std::vector<std::thread> threads_;  // guarded by mutex_
};

}  // namespace zva
