#include "buffer/ringbuffer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "waitfor.h"

namespace {

TEST(RingBuffer, CarriesBytesInOrderAcrossThreads) {
    zva::RingBuffer ring(1000);
    constexpr std::size_t kTotal = 200000;
    std::thread writer([&] {
        std::vector<std::uint8_t> block(777);
        for (std::size_t sent = 0; sent < kTotal;) {
            const std::size_t n = std::min(block.size(), kTotal - sent);
            for (std::size_t i = 0; i < n; ++i) {
                block[i] = static_cast<std::uint8_t>((sent + i) % 251);
            }
            ASSERT_TRUE(ring.write(block.data(), n));
            sent += n;
        }
        ring.finish();
    });
    std::vector<std::uint8_t> got;
    std::uint8_t piece[300];
    while (const std::size_t n = ring.read(piece, sizeof piece)) {
        got.insert(got.end(), piece, piece + n);
    }
    writer.join();
    ASSERT_EQ(got.size(), kTotal);
    for (std::size_t i = 0; i < kTotal; ++i) {
        ASSERT_EQ(got[i], i % 251) << "at " << i;
    }
    EXPECT_EQ(ring.totalRead(), kTotal);
}

TEST(RingBuffer, WriterWaitsUntilHalfEmpty) {
    zva::RingBuffer ring(100);
    std::vector<std::uint8_t> bytes(100, 7);
    ASSERT_TRUE(ring.write(bytes.data(), 100));
    std::atomic<pid_t> tid{0};
    std::thread writer([&] {
        tid = gettid();
        EXPECT_TRUE(ring.write(bytes.data(), 60));
    });
    EXPECT_TRUE(zvtest::waitFor([&] { return zvtest::asleep(tid); }));
    std::uint8_t piece[100];
    // 40 bytes of room: a writer woken for each read would have stored them once it sleeps again.
    ASSERT_EQ(ring.read(piece, 40), 40u);
    EXPECT_TRUE(zvtest::waitFor([&] { return zvtest::asleep(tid); }));
    EXPECT_EQ(ring.totalWritten(), 100u);
    ASSERT_EQ(ring.read(piece, 30), 30u);
    writer.join();
    EXPECT_EQ(ring.totalWritten(), 160u);
    EXPECT_EQ(ring.fill(), 90u);
}

TEST(RingBuffer, CancelReleasesBothSides) {
    zva::RingBuffer ring(10);
    std::vector<std::uint8_t> bytes(30, 1);
    std::thread writer([&] { EXPECT_FALSE(ring.write(bytes.data(), bytes.size())); });
    zva::RingBuffer empty(10);
    std::thread reader([&] {
        std::uint8_t b[4];
        EXPECT_EQ(empty.read(b, sizeof b), 0u);
    });
    ring.cancel();
    empty.cancel();
    writer.join();
    reader.join();
}

// A read stops at a join and the next one says its bytes start anew, also when the buffer was
// empty at the join.
TEST(RingBuffer, ReadsStopAtJoins) {
    zva::RingBuffer ring(1000);
    const std::vector<std::uint8_t> bytes(100, 7);
    ring.write(bytes.data(), 60);
    ring.markJoin();
    ring.write(bytes.data(), 40);
    std::uint8_t piece[100];
    bool startsAnew = true;
    EXPECT_EQ(ring.read(piece, sizeof piece, &startsAnew), 60u);
    EXPECT_FALSE(startsAnew);
    EXPECT_EQ(ring.read(piece, sizeof piece, &startsAnew), 40u);
    EXPECT_TRUE(startsAnew);
    ring.markJoin();
    ring.write(bytes.data(), 10);
    EXPECT_EQ(ring.read(piece, sizeof piece, &startsAnew), 10u);
    EXPECT_TRUE(startsAnew);
}

}  // namespace
