#include "net/reconnectschedule.h"

#include <gtest/gtest.h>

namespace {

// Quick tries first, then every 3 s, and a last one when the give-up time has passed.
TEST(ReconnectSchedule, BacksOffUntilTheGiveUpTime) {
    using std::chrono::milliseconds;
    const auto lost = zva::ReconnectSchedule::Clock::now();
    zva::ReconnectSchedule schedule(lost, milliseconds(10000));
    auto now = lost;
    for (const int at : {200, 700, 1700, 3700, 6700, 9700, 10000}) {
        const auto next = schedule.next(now);
        ASSERT_TRUE(next.has_value()) << at;
        EXPECT_EQ(*next - lost, milliseconds(at));
        now = *next;
    }
    EXPECT_FALSE(schedule.next(now).has_value());
}

}  // namespace
