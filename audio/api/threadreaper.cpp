#include "threadreaper.h"

#include <algorithm>

namespace zva {

void ThreadReaper::adopt(std::thread thread) {
    std::lock_guard lock(mutex_);
    threads_.push_back(std::move(thread));
}

void ThreadReaper::joinAll() {
    std::vector<std::thread> joining;
    {
        std::lock_guard lock(mutex_);
        const auto self = std::find_if(threads_.begin(), threads_.end(), [](const auto& t) {
            return t.get_id() == std::this_thread::get_id();
        });
        std::thread own;
        if (self != threads_.end()) {
            own = std::move(*self);
            threads_.erase(self);
        }
        joining.swap(threads_);
        if (own.joinable()) {
            threads_.push_back(std::move(own));
        }
    }
    for (auto& thread : joining) {
        thread.join();
    }
}

}  // namespace zva
