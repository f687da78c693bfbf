// Levelling heard on SDL's disk driver: stations 16 LU apart come out at the target, a station
// heard before starts there, peaks stay under −1 dBFS, and levelling off leaves the sound alone.
#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "scratchdir.h"
#include "stationd.h"
#include "waitfor.h"
#include "zvaudio.h"

namespace {

constexpr int kRate = 44100;

// Plays `path` until `seconds` of sound are on disk, starting at the loudness `start` (none when
// NAN): the short-term loudness (3 s) at the end of every second from the first sound on, from
// second 3. `measured` takes the channel's measure of it. Levelled, no sample may peak above
// −1 dBFS.
std::vector<double> play(const char* path, bool level, float start, double seconds,
                         float& measured) {
    const zvtest::ScratchDir dir;
    const std::filesystem::path file = dir.path() / "sound.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    EXPECT_EQ(ZVA_Init(-1, kRate, 0, nullptr, nullptr), 1) << ZVA_ErrorGetCode();
    ZVA_SetConfig(ZVA_CONFIG_NET_PREBUF, 0);
    ZVA_SetConfig(ZVA_CONFIG_LEVEL, level ? 1 : 0);
    const ZVA_HSTREAM h =
        ZVA_StreamCreateURL(zvtest::sharedStationd().url(path).c_str(), 0, 0, nullptr, nullptr);
    // A starting loudness of NAN is refused, which leaves the channel without one.
    EXPECT_EQ(ZVA_ChannelSetAttribute(h, ZVA_ATTRIB_LOUDNESS, start), std::isnan(start) ? 0 : 1);
    EXPECT_EQ(ZVA_ChannelPlay(h, 0), 1) << path;
    // The sound starts a little after the file; a busy machine may fall behind real time.
    const double bytes = (seconds + 1.0) * kRate * 8;
    std::error_code error;
    const auto written = [&] { return std::filesystem::file_size(file, error) >= bytes && !error; };
    EXPECT_TRUE(zvtest::waitFor(written, seconds + 60.0));
    ZVA_ChannelGetAttribute(h, ZVA_ATTRIB_LOUDNESS, &measured);
    ZVA_Free();
    const std::string raw = zvtest::readFile(file);
    const auto* begin = reinterpret_cast<const float*>(raw.data());
    const auto* end = begin + raw.size() / 4;
    const auto [low, high] = std::minmax_element(begin, end);
    EXPECT_TRUE(!level || std::max(-*low, *high) <= 0.891251f) << path << " peaks above -1 dBFS";
    const auto* first = std::find_if(begin, end, [](float v) { return std::fabs(v) >= 1e-4f; });
    ebur128_state* meter = ebur128_init(2, kRate, EBUR128_MODE_S);
    std::vector<double> loudness;
    for (std::size_t second = 1; first + second * kRate * 2 <= end; ++second) {
        ebur128_add_frames_float(meter, first + (second - 1) * kRate * 2, kRate);
        if (second >= 3) {
            ebur128_loudness_shortterm(meter, &loudness.emplace_back());
        }
    }
    ebur128_destroy(&meter);
    return loudness;
}

TEST(Level, StationsAreHeardAtTheTarget) {
    // Rows: the station; levelled; started again at the loudness the row before measured; the
    // first second (counted from 3 s) checked; seconds played; the loudness heard and its
    // tolerance; the file's own, which the channel measures, levelled or not.
    const std::tuple<const char*, bool, bool, std::size_t, double, float, float, float> cases[] = {
        {"/level/loud", true, false, 12, 18, -16.0f, 1.5f, -7.4f},
        {"/level/loud", true, true, 0, 6, -16.0f, 3.0f, -7.4f},
        {"/level/quiet", true, false, 12, 18, -16.0f, 1.5f, -23.4f},
        {"/level/peaky", true, false, 12, 18, -16.0f, 1.5f, -23.5f},
        {"/level/quiet", false, false, 0, 6, -23.4f, 1.0f, -23.4f},
    };
    float measured = NAN;
    for (const auto& [path, level, again, from, seconds, heard, within, source] : cases) {
        const auto loudness = play(path, level, again ? measured : NAN, seconds, measured);
        ASSERT_GT(loudness.size(), from) << path;
        for (std::size_t i = from; i < loudness.size(); ++i) {
            EXPECT_NEAR(loudness[i], heard, within) << path << " second " << i + 3;
        }
        // The gain moves 1 dB a second at most; the loop's own swing adds a little.
        for (std::size_t i = 1; i < loudness.size(); ++i) {
            EXPECT_LE(std::fabs(loudness[i] - loudness[i - 1]), 1.3) << path << " " << i + 3;
        }
        EXPECT_NEAR(measured, source, 1.0f) << path;
    }
}

}  // namespace
