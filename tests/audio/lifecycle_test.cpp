// Creating and freeing streams from several threads and from callbacks at once: nothing hangs,
// and nothing of a stream outlives the call that freed it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "librarytest.h"
#include "stationd.h"
#include "waitfor.h"
#include "zvaudio.h"

namespace {

using zvtest::waitFor;

using LifecycleTest = zvtest::LibraryTest;

// One thread creates streams without pause while the test frees the library at random
// moments. Once ZVA_Free has returned and the creation then under way has ended, no handle may be
// live: a stream that registered after Free would keep playing into a closed device.
TEST_F(LifecycleTest, NoStreamOutlivesFree) {
    std::mt19937 random(7);
    int live = 0;
    for (int round = 0; round < 500 && live == 0; ++round) {
        std::atomic<bool> freed{false};
        std::vector<ZVA_HSTREAM> created;  // the creator's until it is joined
        std::thread creator([&] {
            while (!freed) {
                if (const ZVA_HSTREAM h = create("/mp3")) {
                    created.push_back(h);
                }
            }
        });
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        EXPECT_EQ(ZVA_Free(), 1);
        freed = true;
        creator.join();
        for (const ZVA_HSTREAM h : created) {
            live += ZVA_StreamGetFilePosition(h, ZVA_FILEPOS_CONNECTED) != ZVA_POSITION_NONE;
        }
        ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
    }
    EXPECT_EQ(live, 0);
}

// What callbacks do to other streams: create one (and be cancelled by ZVA_Free while it
// connects), or free one whose own callback is freeing theirs at the same moment.
struct Callbacks {
    std::string slowUrl;
    std::atomic<bool> creating{false};
    std::atomic<ZVA_HSTREAM> nested{1};
    std::atomic<bool> armed{false};
    std::atomic<int> inside{0};  // callbacks waiting for each other, armed
    std::atomic<int> freed{0};   // frees of the other stream that returned 1
    ZVA_HSTREAM other[2] = {0, 0};

    // At the end of the download, as a player that reconnects does.
    static void createNested(const void* buffer, uint32_t, void* user) {
        auto* self = static_cast<Callbacks*>(user);
        if (buffer == nullptr && !self->creating.exchange(true)) {
            self->nested = ZVA_StreamCreateURL(self->slowUrl.c_str(), 0, 0, nullptr, nullptr);
        }
    }
    template <int Which>
    static void freeOther(const void* buffer, uint32_t length, void* user) {
        auto* self = static_cast<Callbacks*>(user);
        if (buffer == nullptr || length == 0 || !self->armed || self->inside >= 2) {
            return;
        }
        // Both callbacks are inside before either frees: each frees a stream that is running
        // a callback right now.
        ++self->inside;
        while (self->inside < 2) {
            std::this_thread::yield();
        }
        self->freed += ZVA_StreamFree(self->other[1 - Which]);
    }
};

TEST_F(LifecycleTest, FreeCancelsAStreamThatACallbackIsCreating) {
    // The server holds its answer longer than any bound of ours but its own delay.
    constexpr int kDelayMs = 30000;
    ZVA_SetConfig(ZVA_CONFIG_NET_READTIMEOUT, 60000);
    ZVA_SetConfig(ZVA_CONFIG_NET_OPENTIMEOUT, 60000);
    ZVA_SetConfig(ZVA_CONFIG_NET_RECONNECT, 0);
    Callbacks callbacks;
    callbacks.slowUrl = server->url("/mp3?delay_ms=" + std::to_string(kDelayMs));
    const ZVA_HSTREAM h =
        create("/mp3?drop_after=0.3&burst=4096", &Callbacks::createNested, &callbacks);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(waitFor([&] { return callbacks.creating.load(); }));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(ZVA_Free(), 1);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(kDelayMs));
    EXPECT_EQ(callbacks.nested, 0u);
}

TEST_F(LifecycleTest, CallbacksMayFreeEachOthersStreams) {
    Callbacks callbacks;
    callbacks.other[0] = create("/mp3", &Callbacks::freeOther<0>, &callbacks);
    callbacks.other[1] = create("/mp3", &Callbacks::freeOther<1>, &callbacks);
    ASSERT_NE(callbacks.other[0], 0u);
    ASSERT_NE(callbacks.other[1], 0u);
    callbacks.armed = true;
    ASSERT_TRUE(waitFor([&] { return callbacks.freed == 2; }));
    for (const ZVA_HSTREAM h : callbacks.other) {
        EXPECT_EQ(ZVA_StreamGetFilePosition(h, ZVA_FILEPOS_CONNECTED), ZVA_POSITION_NONE);
    }
    EXPECT_NE(create("/mp3"), 0u);
}

// The threads this process runs now.
std::size_t threadCount() {
    const auto tasks = std::filesystem::directory_iterator("/proc/self/task");
    return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

struct SelfFree {
    std::atomic<ZVA_HSTREAM> handle{0};
    std::atomic<bool> freed{false};
    std::atomic<int> after{0};  // callbacks after the stream freed itself

    static void download(const void* buffer, uint32_t length, void* user) {
        auto* self = static_cast<SelfFree*>(user);
        if (self->freed) {
            ++self->after;
        } else if (buffer != nullptr && length > 0 && self->handle != 0) {
            self->freed = ZVA_StreamFree(self->handle) == 1;
        }
    }
};

// A stream may free itself from its callback: it stops at once and calls back no more. Its thread
// (decoder, add-on) still ends on its own; ZVA_Free waits for that, so that no code of the stream
// runs once it has returned.
TEST_F(LifecycleTest, StreamFreedFromItsCallbackEndsBeforeFreeReturns) {
    ASSERT_EQ(ZVA_Free(), 1);
    const std::size_t idle = threadCount();
    ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
    ASSERT_NE(ZVA_PluginLoad("libzvaudio_aac.so", 0), 0u);
    SelfFree state;
    const ZVA_HSTREAM h = create("/aac", &SelfFree::download, &state);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1) << ZVA_ErrorGetCode();
    state.handle = h;
    // Spinning rather than pausing, so that Free follows the callback at once.
    ASSERT_TRUE(waitFor([&] { return state.freed.load(); }, 10, {}));
    EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_STOPPED);
    EXPECT_EQ(ZVA_StreamGetFilePosition(h, ZVA_FILEPOS_CONNECTED), ZVA_POSITION_NONE);
    ASSERT_EQ(ZVA_Free(), 1);
    EXPECT_EQ(threadCount(), idle);
    EXPECT_EQ(state.after, 0);
}

}  // namespace
