// What reaches the speakers: SDL's disk driver records the output, a PulseAudio server with two
// null sinks shows the chosen device.
#include <gtest/gtest.h>

#include <csignal>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "fixtures.h"
#include "pulsetest.h"
#include "stationd.h"
#include "waitfor.h"
#include "zvaudio.h"

namespace {

using zvtest::waitFor;

constexpr int kRate = 44100;

class DiskOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = std::filesystem::path(::testing::TempDir()) /
                ("zvaudio-disk-" + std::to_string(::getpid()) + ".raw");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", file_.c_str(), 1);
    }
    void TearDown() override {
        ZVA_Free();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::filesystem::remove(file_);
    }

    // Opens the library and plays the station until 1.5 s of its sound are on disk, polling the
    // levels meanwhile, then ends it with `end` and records 0.3 s more (or ends it with ZVA_Free).
    std::vector<float> play(const std::string& path, int volume,
                            std::vector<uint32_t>* levels = nullptr,
                            const std::function<void(ZVA_HSTREAM)>& end = nullptr) {
        EXPECT_EQ(ZVA_Init(-1, 44100, 0, nullptr, nullptr), 1) << ZVA_ErrorGetCode();
        const ZVA_HSTREAM h =
            ZVA_StreamCreateURL(server->url(path).c_str(), 0, 0, nullptr, nullptr);
        EXPECT_NE(h, 0u) << path << " error " << ZVA_ErrorGetCode();
        EXPECT_EQ(ZVA_ChannelSetAttributes(h, -1, volume, -101), 1);
        const auto startBytes = std::filesystem::file_size(file_);
        EXPECT_EQ(ZVA_ChannelPlay(h, 0), 1);
        const auto wanted = startBytes + static_cast<std::uintmax_t>(kRate * 2 * 1.8 * 4);
        EXPECT_TRUE(waitFor([&] {
            if (levels != nullptr && ZVA_ChannelIsActive(h) == ZVA_ACTIVE_PLAYING) {
                levels->push_back(ZVA_ChannelGetLevel(h));
            }
            return std::filesystem::file_size(file_) >= wanted;
        }));
        if (end) {
            end(h);
            const auto more = std::filesystem::file_size(file_) + kRate * 2 * 4 * 3 / 10;
            EXPECT_TRUE(waitFor([&] { return std::filesystem::file_size(file_) >= more; }));
        }
        ZVA_Free();
        std::ifstream in(file_, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(startBytes));
        std::vector<float> samples(kRate * 2 * 3);
        in.read(reinterpret_cast<char*>(samples.data()),
                static_cast<std::streamsize>(samples.size() * sizeof(float)));
        samples.resize(static_cast<std::size_t>(in.gcount()) / sizeof(float));
        return samples;
    }

    std::filesystem::path file_;
    static inline zvtest::Stationd* const server = &zvtest::sharedStationd();
};

// Every station comes out at 44100 Hz stereo with each tone on its channel, scaled by the
// volume; the levels show the peaks before the volume, from the middle of the tone (the first
// polls still see the fade-in).
TEST_F(DiskOutputTest, TonesArriveOnTheirChannelsScaledByVolume) {
    const struct {
        const char* path;
        const char* fixture;
        int volume;
        double tolerance;  // share of the peak
    } cases[] = {{"/mp3", "tone44.mp3", 100, 0.02},
                 {"/mp3", "tone44.mp3", 50, 0.02},
                 {"/mp3-48", "tone48.mp3", 100, 0.05},
                 {"/mp3-22", "tone22.mp3", 100, 0.05},
                 {"/mp3-mono", "tone44mono.mp3", 100, 0.05}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " at volume " + std::to_string(c.volume));
        std::vector<uint32_t> levels;
        const std::vector<float> samples = play(c.path, c.volume, &levels);
        // Each channel's tone over one second, from 0.3 s after the first sound.
        std::size_t first = 0;
        while (first * 2 < samples.size() &&
               std::fabs(samples[first * 2]) + std::fabs(samples[first * 2 + 1]) < 1e-3f) {
            ++first;
        }
        const std::size_t begin = first + kRate * 3 / 10;
        ASSERT_GT(levels.size(), 20u);
        std::vector<uint32_t> middle(levels.begin() + static_cast<long>(levels.size() / 3),
                                     levels.end());
        std::nth_element(middle.begin(), middle.begin() + static_cast<long>(middle.size() / 2),
                         middle.end());
        const uint32_t level[2] = {middle[middle.size() / 2] & 0xFFFF,
                                   middle[middle.size() / 2] >> 16};
        for (int side = 0; side < 2; ++side) {
            const char* name = side == 0 ? "_left" : "_right";
            const double tone = zvtest::fixtureValue(c.fixture, std::string("tone") + name);
            const double peak = zvtest::fixtureValue(c.fixture, std::string("peak") + name);
            const zvtest::Tone got =
                zvtest::measureTone(samples, 2, side, kRate, begin, begin + kRate);
            EXPECT_NEAR(got.frequency, tone, tone * 0.02) << name;
            EXPECT_NEAR(got.peak, peak * c.volume / 100, peak * c.tolerance) << name;
            EXPECT_NEAR(level[side], peak, peak * c.tolerance) << name;
        }
    }
}

// The output leaves the process's signals alone: SIGTERM still ends a program that plays.
TEST_F(DiskOutputTest, TerminationSignalsKeepTheirDefault) {
    ASSERT_EQ(ZVA_Init(-1, 44100, 0, nullptr, nullptr), 1);
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction action {};
        ASSERT_EQ(sigaction(signal, nullptr, &action), 0);
        EXPECT_EQ(action.sa_handler, SIG_DFL) << signal;
    }
}

// However playback ends, the sound fades out instead of breaking off mid-wave.
TEST_F(DiskOutputTest, EndingPlaybackFadesOut) {
    const std::pair<const char*, std::function<void(ZVA_HSTREAM)>> endings[] = {
        {"ZVA_ChannelStop", [](ZVA_HSTREAM h) { ZVA_ChannelStop(h); }},
        {"ZVA_Stop", [](ZVA_HSTREAM) { ZVA_Stop(); }},
        {"ZVA_StreamFree", [](ZVA_HSTREAM h) { ZVA_StreamFree(h); }},
        {"ZVA_Free", nullptr}};
    for (const auto& [name, end] : endings) {
        std::vector<float> samples = play("/mp3", 100, nullptr, end);
        // A recording that stops mid-wave has broken off too.
        samples.resize(samples.size() + 2, 0.0f);
        std::size_t last = samples.size() / 2 - 1;
        while (last > kRate && samples[last * 2] == 0.0f && samples[last * 2 + 1] == 0.0f) {
            --last;
        }
        ASSERT_GT(last, kRate) << name;
        // Over its last 50 ms the sound changes no faster than the tones do at full strength.
        EXPECT_LT(zvtest::maxStep(samples, last - kRate / 20, last + 2),
                  zvtest::maxStep(samples, kRate / 2, kRate) * 1.2f)
            << name;
    }
}

// An output with nothing to play gives its device up after a few seconds, whether no stream
// was ever played or the playing one was paused, and the next play takes it again: SDL's disk
// driver holds its file open exactly while the device is open.
TEST_F(DiskOutputTest, ASilentOutputRestsUntilTheNextPlay) {
    const auto size = [this] { return std::filesystem::file_size(file_); };
    const auto rests = [&] {
        return waitFor(
            [&] {
                std::error_code error;
                for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
                    if (std::filesystem::equivalent(fd.path(), file_, error)) {
                        return false;
                    }
                }
                return true;
            },
            15.0);
    };
    const auto sounds = [&] {
        const auto wanted = size() + kRate * 2 * 4;
        return waitFor([&] { return size() >= wanted; });
    };
    ASSERT_EQ(ZVA_Init(-1, 44100, 0, nullptr, nullptr), 1);
    EXPECT_TRUE(rests()) << "never played";
    const ZVA_HSTREAM h = ZVA_StreamCreateURL(server->url("/mp3").c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(h, 0u) << ZVA_ErrorGetCode();
    EXPECT_EQ(ZVA_ChannelPlay(h, 0), 1);
    EXPECT_TRUE(sounds());
    ASSERT_EQ(ZVA_Stop(), 1);
    EXPECT_TRUE(rests()) << "paused";
    EXPECT_EQ(ZVA_ChannelPlay(h, 0), 1);
    EXPECT_TRUE(sounds());
    EXPECT_EQ(ZVA_ChannelIsActive(h), static_cast<uint32_t>(ZVA_ACTIVE_PLAYING));
}

// The chosen device on the PulseAudio server.
using PulseOutput = zvtest::PulseTest;
using zvtest::playsInto;

TEST_F(PulseOutput, PlaysIntoTheChosenSink) {
    const zvtest::Stationd& server = zvtest::sharedStationd();
    ASSERT_EQ(ZVA_Init(2, 44100, 0, nullptr, nullptr), 1) << ZVA_ErrorGetCode();
    const ZVA_HSTREAM h = ZVA_StreamCreateURL(server.url("/mp3").c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(h, 0u);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    EXPECT_TRUE(waitFor([&] { return playsInto("kettes"); }));
    EXPECT_FALSE(playsInto("egyes"));
    EXPECT_EQ(ZVA_Free(), 1);
    EXPECT_EQ(ZVA_Init(5, 44100, 0, nullptr, nullptr), 0);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_DEVICE);
}

}  // namespace
