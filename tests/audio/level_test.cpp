// Levelling heard on SDL's disk driver: stations 16 LU apart come out at the target, a station
// heard before starts there, peaks stay under −1 dBFS, and levelling off leaves the sound alone.
#include <ebur128.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>

#include "command.h"
#include "scratchdir.h"
#include "stationd.h"
#include "waitfor.h"
#include "zvaudio.h"

namespace {

constexpr int kRate = 44100;
constexpr float kCeiling = 0.891251f;

std::string scratch() {
    return ::testing::TempDir() + "zvaudio-level-" + std::to_string(::getpid()) + ".raw";
}

// Plays `path` until `seconds` of sound are on disk: the samples from the first sound on, and the
// station's loudness as the channel measured it (NAN when none).
std::string play(const zvtest::Stationd& server, const std::string& path, bool level, float start,
                 double seconds, float& measured) {
    std::filesystem::remove(scratch());
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", scratch().c_str(), 1);
    EXPECT_EQ(ZVA_Init(-1, 44100, 0, nullptr, nullptr), 1) << ZVA_ErrorGetCode();
    ZVA_SetConfig(ZVA_CONFIG_NET_PREBUF, 0);
    ZVA_SetConfig(ZVA_CONFIG_LEVEL, level ? 1 : 0);
    const ZVA_HSTREAM h = ZVA_StreamCreateURL(server.url(path).c_str(), 0, 0, nullptr, nullptr);
    EXPECT_NE(h, 0u) << path;
    if (!std::isnan(start)) {
        EXPECT_EQ(ZVA_ChannelSetAttribute(h, ZVA_ATTRIB_LOUDNESS, start), 1);
    }
    EXPECT_EQ(ZVA_ChannelPlay(h, 0), 1);
    // The sound starts a little after the file; a busy machine may fall behind real time.
    const auto bytes = static_cast<std::uintmax_t>((seconds + 1.0) * kRate * 8);
    EXPECT_TRUE(zvtest::waitFor(
        [&] {
            std::error_code error;
            return std::filesystem::file_size(scratch(), error) >= bytes;
        },
        seconds + 60.0));
    measured = NAN;
    ZVA_ChannelGetAttribute(h, ZVA_ATTRIB_LOUDNESS, &measured);
    ZVA_Free();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::string raw = zvtest::readFile(scratch());
    std::filesystem::remove(scratch());
    const auto* samples = reinterpret_cast<const float*>(raw.data());
    std::size_t first = 0;
    while (first < raw.size() / 4 && std::fabs(samples[first]) < 1e-4f) {
        ++first;
    }
    return raw.substr(first / 2 * 8);
}

// Short-term loudness (3 s) at the end of every second of `raw`, from second 3 on.
std::vector<double> shortTerm(const std::string& raw) {
    ebur128_state* meter = ebur128_init(2, kRate, EBUR128_MODE_S);
    const auto* samples = reinterpret_cast<const float*>(raw.data());
    std::vector<double> loudness;
    for (std::size_t second = 0; (second + 1) * kRate * 8 <= raw.size(); ++second) {
        ebur128_add_frames_float(meter, samples + second * kRate * 2, kRate);
        double value = 0.0;
        if (second >= 2 && ebur128_loudness_shortterm(meter, &value) == EBUR128_SUCCESS) {
            loudness.push_back(value);
        }
    }
    ebur128_destroy(&meter);
    return loudness;
}

float peak(const std::string& raw) {
    const auto* samples = reinterpret_cast<const float*>(raw.data());
    float p = 0.0f;
    for (std::size_t i = 0; i < raw.size() / 4; ++i) {
        p = std::max(p, std::fabs(samples[i]));
    }
    return p;
}

TEST(Level, StationsAreHeardAtTheTarget) {
    const zvtest::Stationd& server = zvtest::sharedStationd();
    const struct {
        const char* path;
        bool level;
        bool startAsMeasured;  // starts at the loudness the row before measured
        std::size_t from;      // the first second (counted from 3 s) checked
        double seconds;
        float loudness;  // as heard
        float tolerance;
        float source;  // the file's own, which the channel measures, levelled or not
    } cases[] = {
        {"/level/loud", true, false, 12, 18, -16.0f, 1.5f, -7.4f},
        {"/level/loud", true, true, 0, 6, -16.0f, 3.0f, -7.4f},
        {"/level/quiet", true, false, 12, 18, -16.0f, 1.5f, -23.4f},
        {"/level/peaky", true, false, 12, 18, -16.0f, 1.5f, -23.5f},
        {"/level/quiet", false, false, 0, 6, -23.4f, 1.0f, -23.4f},
    };
    float measured = NAN;
    for (const auto& c : cases) {
        const float start = c.startAsMeasured ? measured : NAN;
        const std::string raw = play(server, c.path, c.level, start, c.seconds, measured);
        const std::vector<double> loudness = shortTerm(raw);
        ASSERT_GT(loudness.size(), c.from) << c.path;
        for (std::size_t i = c.from; i < loudness.size(); ++i) {
            EXPECT_NEAR(loudness[i], c.loudness, c.tolerance) << c.path << " second " << i + 3;
        }
        // The gain moves 1 dB a second at most; the loop's own swing adds a little.
        for (std::size_t i = 1; i < loudness.size(); ++i) {
            EXPECT_LE(std::fabs(loudness[i] - loudness[i - 1]), 1.3) << c.path << " " << i + 3;
        }
        if (c.level) {
            EXPECT_LE(peak(raw), kCeiling) << c.path;
        }
        EXPECT_NEAR(measured, c.source, 1.0f) << c.path;
    }
}

}  // namespace
