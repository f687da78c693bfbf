#pragma once

#include <gtest/gtest.h>

#include <optional>

#include "privatepulse.h"
#include "zvaudio.h"

namespace zvtest {

// A test on the private PulseAudio server, skipped without one; it starts with both sinks there
// and nothing playing, and frees the library and gives the environment back after it.
class PulseTest : public ::testing::Test {
protected:
    void SetUp() override {
        pulse_.emplace();
        if (!pulse_->available()) {
            GTEST_SKIP() << PrivatePulse::kMissing;
        }
        ASSERT_FALSE(pactlFirstWord("sinks", "egyes").empty());
        ASSERT_FALSE(pactlFirstWord("sinks", "kettes").empty());
        ASSERT_FALSE(playsInto("kettes"));
    }
    void TearDown() override {
        ZVA_Free();
        pulse_.reset();
    }

private:
    std::optional<PrivatePulse> pulse_;
};

}  // namespace zvtest
