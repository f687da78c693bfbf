// The levelling stage on synthetic sound: its measure against libebur128, the gain's hold,
// pace and bounds, the limiter, the starting loudness and switching on and off.
#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>
#include <vector>

#include "mix/leveller.h"

namespace {

using zva::Leveller;
constexpr int kRate = Leveller::kRate;

// Interleaved stereo: a 1 kHz cosine of `amplitude` (no frame of it is zero), with a frame of
// `click` every 0.25 s when `click` > 0.
std::vector<float> tone(double seconds, float amplitude, float click = 0.0f) {
    std::vector<float> out(static_cast<std::size_t>(seconds * kRate) * 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = amplitude * static_cast<float>(std::cos(2 * M_PI * 1000.0 * (i / 2) / kRate));
        out[i] = click > 0.0f && i / 2 % (kRate / 4) == 100 ? click : out[i];
    }
    return out;
}

// Feeds `sound` in 1024-frame pieces, calling `each` after every piece; the sound levelled, with
// the frames held for the look-ahead when `flush`.
std::vector<float> feed(
    Leveller& leveller, const std::vector<float>& sound, bool flush = false,
    const std::function<void()>& each = [] {}) {
    std::vector<float> out(sound.size() + Leveller::kBlock * 2);  // room for a block more
    std::size_t written = 0;
    for (std::size_t at = 0; at < sound.size(); at += 2048) {
        const std::size_t frames = std::min<std::size_t>(1024, (sound.size() - at) / 2);
        written += leveller.process(&sound[at], frames, &out[written * 2]);
        each();
    }
    out.resize((written + (flush ? leveller.flush(&out[written * 2]) : 0)) * 2);
    return out;
}

TEST(Leveller, MeasuresAsLibebur128Does) {
    // Rows: amplitude, click.
    for (const auto& [amplitude, click] :
         {std::tuple{0.1f, 0.0f}, {0.7f, 0.0f}, {0.02f, 1.0f}, {0.0f, 0.0f}}) {
        const std::vector<float> sound = tone(10, amplitude, click);
        Leveller leveller;
        feed(leveller, sound);
        ebur128_state* meter = ebur128_init(2, kRate, EBUR128_MODE_I);
        ebur128_add_frames_float(meter, sound.data(), sound.size() / 2);
        double reference = 0.0;
        ebur128_loudness_global(meter, &reference);
        ebur128_destroy(&meter);
        // Silence has no loudness: both sides then read the gate's −70.
        EXPECT_NEAR(leveller.loudness().value_or(-70.0f), std::max(reference, -70.0), 0.1)
            << amplitude << " " << click;
        EXPECT_NEAR(leveller.secondsMeasured(), 10.0, 0.05) << amplitude;
    }
}

// The gain holds for 3 s of gated sound, then moves at most 1 dB/s until it reaches the
// target's gain or its bound.
TEST(Leveller, HoldsThenMovesAtOneDecibelASecondWithinItsBounds) {
    // Rows: amplitude, target, the gain where it ends. A 1 kHz tone at −6 dBFS measures
    // −6 LUFS; −40 dBFS needs +24 dB, held at +9; −44 dB wanted is held at −24.
    for (const auto& [amplitude, target, gain] :
         {std::tuple{0.5f, -16.0f, -10.0f}, {0.01f, -16.0f, 9.0f}, {0.5f, -50.0f, -24.0f}}) {
        Leveller leveller;
        leveller.setEnabled(true);
        leveller.setTarget(target);
        float last = 0.0f;
        feed(leveller, tone(45, amplitude), false, [&] {
            // Held at 0 dB for the first 3 s, then a piece's step is at most 1 dB/s.
            const float step = leveller.secondsMeasured() < 3.0f ? 0.0f : 1024.0f / kRate + 0.01f;
            EXPECT_LE(std::fabs(leveller.gainDb() - last), step)
                << amplitude << " at " << leveller.secondsMeasured();
            last = leveller.gainDb();
        });
        EXPECT_NEAR(leveller.gainDb(), gain, 0.1) << amplitude << " " << target;
    }
}

// Boosted +9 dB, sound that would peak above −1 dBFS is held just under it.
TEST(Leveller, LimiterHoldsPeaksUnderTheCeiling) {
    // Rows: amplitude, click.
    for (const auto& [amplitude, click] : {std::tuple{0.05f, 0.4f}, {0.4f, 0.0f}, {0.05f, 1.0f}}) {
        Leveller leveller;
        leveller.setEnabled(true);
        leveller.setStartLoudness(-40.0f, true);
        const std::vector<float> out = feed(leveller, tone(4, amplitude, click));
        const auto [low, high] = std::minmax_element(out.begin(), out.end());
        const float peak = std::max(-*low, *high);
        EXPECT_LE(peak, Leveller::kCeiling) << amplitude << " " << click;
        EXPECT_GT(peak, Leveller::kCeiling * 0.9f) << amplitude << " " << click;
    }
}

// A known station's gain is right from the first frame out.
TEST(Leveller, StartingLoudnessGivesTheGainFromTheFirstFrame) {
    // Rows: the starting loudness, the gain it gives.
    for (const auto& [start, gain] :
         {std::tuple{-10.0f, -6.0f}, {-20.0f, 4.0f}, {-30.0f, 9.0f}, {10.0f, -24.0f}}) {
        Leveller leveller;
        leveller.setEnabled(true);
        leveller.setStartLoudness(start, true);
        const std::vector<float> in = tone(1, 0.01f);
        const std::vector<float> out = feed(leveller, in);
        // The first frame out has the gain, and the last still has it.
        EXPECT_NEAR(out.front() / in.front(), std::pow(10.0f, gain / 20.0f), 0.001f) << start;
        EXPECT_NEAR(out.back() / in[out.size() - 1], std::pow(10.0f, gain / 20.0f), 0.001f)
            << start;
    }
}

// Switched off or on while sound passes, the gain ramps over 1 s; off at rest, the sound passes
// bit for bit.
TEST(Leveller, SwitchingRampsOverOneSecond) {
    // Rows: switched from, to; the gain after 0.5 s and after 1 s.
    for (const auto& [from, to, half, end] :
         {std::tuple{true, false, -3.0f, 0.0f}, {false, true, -3.0f, -6.0f}}) {
        Leveller leveller;
        leveller.setEnabled(from);
        leveller.setStartLoudness(-10.0f, true);
        feed(leveller, tone(1, 0.1f));
        leveller.setEnabled(to);
        feed(leveller, tone(0.5, 0.1f));
        EXPECT_NEAR(leveller.gainDb(), half, 0.1f) << to;
        feed(leveller, tone(0.5, 0.1f));
        EXPECT_NEAR(leveller.gainDb(), end, 0.05f) << to;
    }
    Leveller off;
    const std::vector<float> in = tone(2, 0.5f, 0.9f);
    EXPECT_EQ(feed(off, in, true), in);
}

}  // namespace
