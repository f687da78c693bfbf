// ZVA_Free does not wait for a name look-up that a dead name server holds up.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "slowdns.h"
#include "waitfor.h"
#include "zvaudio.h"

namespace {

namespace slowdns = zvtest::slowdns;

TEST(Resolver, FreeReturnsWhileALookUpHangs) {
    ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
    const std::string url = std::string("http://") + slowdns::kHangingHost + "/mp3";
    std::atomic<int> error{ZVA_OK};
    std::thread creator([&] {
        ZVA_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
        error = ZVA_ErrorGetCode();
    });
    ASSERT_TRUE(zvtest::waitFor([] { return slowdns::started() == 1; }));
    ASSERT_EQ(ZVA_Free(), 1);
    creator.join();
    // Both returned while the look-up still hangs.
    EXPECT_EQ(slowdns::finished(), 0);
    EXPECT_EQ(error, ZVA_ERROR_INIT);
}

}  // namespace
