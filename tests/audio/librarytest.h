#pragma once

#include <gtest/gtest.h>

#include <string>

#include "stationd.h"
#include "zvaudio.h"

namespace zvtest {

// A test of the C API: the shared stationd on the test stations, and the library
// opened on the "no sound" device, with the network options at their test values, for each
// test and freed after it.
class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
        ZVA_SetConfig(ZVA_CONFIG_NET_PREBUF, 0);
        ZVA_SetConfig(ZVA_CONFIG_NET_PLAYLIST, 1);
        ZVA_SetConfig(ZVA_CONFIG_NET_BUFFER, 5000);
        ZVA_SetConfig(ZVA_CONFIG_NET_READTIMEOUT, 15000);
        ZVA_SetConfig(ZVA_CONFIG_NET_OPENTIMEOUT, 0);
        ZVA_SetConfig(ZVA_CONFIG_NET_RECONNECT, 30000);
    }
    void TearDown() override { ZVA_Free(); }

    // A stream of the suite's server; `proc` is handed the header block too.
    static ZVA_HSTREAM create(const std::string& path, ZVA_DownloadProc proc = nullptr,
                              void* user = nullptr) {
        return ZVA_StreamCreateURL(server->url(path).c_str(), 0, ZVA_STREAM_STATUS, proc, user);
    }

    static inline Stationd* const server = &sharedStationd();
};

}  // namespace zvtest
