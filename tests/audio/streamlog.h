#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "zvaudio.h"

namespace zvtest {

// A block of NUL-ended lines (ending in an empty one) as newline-ended lines.
inline std::string lines(const char* p) {
    std::string text;
    for (; *p != '\0'; p += std::strlen(p) + 1) {
        text += p + std::string("\n");
    }
    return text;
}

// Everything a stream's download and metadata callbacks report, in the order they reported it;
// with `keep` set, the audio bytes too, as a recording would write them.
struct StreamLog {
    struct Event {
        enum Kind { Status, End, Meta } kind;
        std::string text;         // status block or metadata text
        std::size_t bytesBefore;  // audio bytes received before this event
    };
    std::mutex mutex;
    std::vector<Event> events;        // guarded by mutex
    std::size_t bytes = 0;            // guarded by mutex
    bool keep = false;                // set before the stream starts
    std::string kept;                 // guarded by mutex
    std::atomic<bool> closed{false};  // set once the stream was freed
    std::atomic<int> lateCalls{0};    // callbacks after that

    void add(Event::Kind kind, std::string text) {
        lateCalls += closed ? 1 : 0;
        std::lock_guard lock(mutex);
        events.push_back({kind, std::move(text), bytes});
    }
    static void download(const void* buffer, uint32_t length, void* user) {
        auto* log = static_cast<StreamLog*>(user);
        if (buffer == nullptr) {
            log->add(Event::End, {});
        } else if (length == 0) {
            log->add(Event::Status, lines(static_cast<const char*>(buffer)));
        } else {
            log->lateCalls += log->closed ? 1 : 0;
            std::lock_guard lock(log->mutex);
            log->bytes += length;
            if (log->keep) {
                log->kept.append(static_cast<const char*>(buffer), length);
            }
        }
    }
    static void sync(ZVA_HSYNC, ZVA_HSTREAM, uintptr_t data, void* user) {
        static_cast<StreamLog*>(user)->add(Event::Meta, reinterpret_cast<const char*>(data));
    }
    std::vector<Event> snapshot() {
        std::lock_guard lock(mutex);
        return events;
    }
    std::size_t count(Event::Kind kind, const std::string& text = {}) {
        const auto all = snapshot();
        return std::count_if(all.begin(), all.end(), [&](const Event& e) {
            return e.kind == kind && e.text.find(text) != std::string::npos;
        });
    }
};

}  // namespace zvtest
