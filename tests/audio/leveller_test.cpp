// The levelling stage on synthetic sound: its measure against libebur128, the gain's hold,
// pace and bounds, the limiter, the starting loudness and switching on and off.
#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "mix/leveller.h"

namespace {

using zva::Leveller;
constexpr int kRate = Leveller::kRate;

// Interleaved stereo: a sine of `amplitude`, plus a full-scale-times-`click` frame every 0.25 s
// when `click` > 0.
std::vector<float> sine(double seconds, float amplitude, float click = 0.0f) {
    const auto frames = static_cast<std::size_t>(seconds * kRate);
    std::vector<float> out(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        float v = amplitude * static_cast<float>(std::sin(2 * M_PI * 1000.0 * i / kRate));
        if (click > 0.0f && i % (kRate / 4) == 100) {
            v = click;
        }
        out[2 * i] = v;
        out[2 * i + 1] = v;
    }
    return out;
}

// Noise falling towards high notes (white noise through a leaky integrator), at `amplitude`.
std::vector<float> noise(double seconds, float amplitude) {
    const auto frames = static_cast<std::size_t>(seconds * kRate);
    std::vector<float> out(frames * 2);
    std::uint32_t seed = 12345;
    float state[2] = {0.0f, 0.0f};
    for (std::size_t i = 0; i < frames * 2; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const float white = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
        float& s = state[i % 2];
        s = 0.97f * s + 0.03f * white;
        out[i] = amplitude * 4.0f * s;
    }
    return out;
}

double referenceLoudness(const std::vector<float>& sound) {
    ebur128_state* meter = ebur128_init(2, kRate, EBUR128_MODE_I);
    ebur128_add_frames_float(meter, sound.data(), sound.size() / 2);
    double loudness = 0.0;
    ebur128_loudness_global(meter, &loudness);
    ebur128_destroy(&meter);
    return loudness;
}

// Feeds `sound` in 1024-frame pieces; calls `each(leveller, out, frames)` after every piece.
template <typename Each>
std::vector<float> feed(Leveller& leveller, const std::vector<float>& sound, Each each) {
    std::vector<float> out;
    std::vector<float> piece((1024 + Leveller::kBlock) * 2);
    for (std::size_t at = 0; at < sound.size(); at += 2048) {
        const std::size_t frames = std::min<std::size_t>(1024, (sound.size() - at) / 2);
        const std::size_t n = leveller.process(&sound[at], frames, piece.data());
        out.insert(out.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n * 2));
        each(leveller, n);
    }
    return out;
}

std::vector<float> feed(Leveller& leveller, const std::vector<float>& sound) {
    return feed(leveller, sound, [](Leveller&, std::size_t) {});
}

float peak(const std::vector<float>& sound) {
    float p = 0.0f;
    for (const float v : sound) {
        p = std::max(p, std::fabs(v));
    }
    return p;
}

TEST(Leveller, MeasuresAsLibebur128Does) {
    const struct {
        const char* name;
        std::vector<float> sound;
    } cases[] = {
        {"sine -20 dBFS", sine(10, 0.1f)},
        {"sine -3 dBFS", sine(10, 0.7f)},
        {"noise", noise(10, 0.3f)},
    };
    for (const auto& c : cases) {
        Leveller leveller;
        feed(leveller, c.sound);
        ASSERT_TRUE(leveller.loudness().has_value()) << c.name;
        EXPECT_NEAR(*leveller.loudness(), referenceLoudness(c.sound), 0.1) << c.name;
        EXPECT_NEAR(leveller.secondsMeasured(), 10.0, 0.05) << c.name;
    }
    Leveller silent;
    feed(silent, sine(5, 0.0f));
    EXPECT_FALSE(silent.loudness().has_value());
}

// The gain holds for 3 s of gated sound, then moves at most 1 dB/s until it reaches the
// target's gain or its bound.
TEST(Leveller, HoldsThenMovesAtOneDecibelASecondWithinItsBounds) {
    const struct {
        float amplitude;
        float target;
        float gain;  // where it ends
    } cases[] = {
        {0.5f, -16.0f, -10.0f},  // a 1 kHz sine at −6 dBFS measures −6 LUFS
        {0.01f, -16.0f, 9.0f},   // −40 dBFS needs +24 dB: held at +9
        {0.5f, -50.0f, -24.0f},  // −44 dB wanted: held at −24
    };
    for (const auto& c : cases) {
        const std::vector<float> sound = sine(45, c.amplitude);
        const float wanted =
            std::clamp(c.target - static_cast<float>(referenceLoudness(sine(5, c.amplitude))),
                       Leveller::kMinGainDb, Leveller::kMaxGainDb);
        Leveller leveller;
        leveller.setEnabled(true);
        leveller.setTarget(c.target);
        float last = 0.0f;
        std::size_t fed = 0;
        feed(leveller, sound, [&](Leveller& l, std::size_t) {
            fed += 1024;
            const double seconds = static_cast<double>(fed) / kRate;
            if (seconds < 3.0) {
                EXPECT_EQ(l.gainDb(), 0.0f) << c.amplitude << " at " << seconds;
            }
            EXPECT_LE(std::fabs(l.gainDb() - last), 1024.0f / kRate + 0.01f) << seconds;
            last = l.gainDb();
        });
        EXPECT_NEAR(leveller.gainDb(), wanted, 0.05) << c.amplitude << " " << c.target;
        EXPECT_NEAR(wanted, c.gain, 0.2) << c.amplitude;
    }
}

// Boosted +9 dB, sound with peaks still stays under −1 dBFS, with no step between frames
// larger than the sound's own.
TEST(Leveller, LimiterHoldsPeaksUnderTheCeiling) {
    const struct {
        float amplitude;
        float click;
    } cases[] = {{0.05f, 0.4f}, {0.3f, 0.0f}, {0.05f, 1.0f}};
    for (const auto& c : cases) {
        Leveller leveller;
        leveller.setEnabled(true);
        leveller.setStartLoudness(-40.0f, true);
        ASSERT_EQ(leveller.gainDb(), Leveller::kMaxGainDb);
        const std::vector<float> out = feed(leveller, sine(4, c.amplitude, c.click));
        EXPECT_LE(peak(out), Leveller::kCeiling) << c.amplitude << " " << c.click;
        EXPECT_GT(peak(out), Leveller::kCeiling * 0.9f) << c.amplitude << " " << c.click;
    }
}

// A known station's gain is right from the first frame out.
TEST(Leveller, StartingLoudnessGivesTheGainFromTheFirstFrame) {
    const struct {
        float start;
        float gain;
    } cases[] = {{-10.0f, -6.0f}, {-20.0f, 4.0f}, {-30.0f, 9.0f}, {10.0f, -24.0f}};
    for (const auto& c : cases) {
        Leveller leveller;
        leveller.setEnabled(true);
        leveller.setStartLoudness(c.start, true);
        const std::vector<float> in = sine(1, 0.01f);
        const std::vector<float> out = feed(leveller, in);
        const float expected = std::pow(10.0f, c.gain / 20.0f);
        for (std::size_t i : {std::size_t(0), std::size_t(500), out.size() / 2 - 1}) {
            if (std::fabs(in[2 * i]) > 0.001f) {
                EXPECT_NEAR(out[2 * i] / in[2 * i], expected, 0.001f) << c.start << " frame " << i;
            }
        }
    }
}

// Switched off or on while sound passes, the gain ramps over 1 s; off at rest, the sound passes
// bit for bit, kLookahead frames late.
TEST(Leveller, SwitchingRampsOverOneSecond) {
    const struct {
        bool from;
        bool to;
        float half;  // the gain after 0.5 s
        float end;   // after 1 s
    } cases[] = {{true, false, -3.0f, 0.0f}, {false, true, -3.0f, -6.0f}};
    for (const auto& c : cases) {
        Leveller leveller;
        leveller.setEnabled(c.from);
        leveller.setStartLoudness(-10.0f, true);
        feed(leveller, sine(1, 0.1f));
        leveller.setEnabled(c.to);
        feed(leveller, sine(0.5, 0.1f));
        EXPECT_NEAR(leveller.gainDb(), c.half, 0.1f) << c.to;
        feed(leveller, sine(0.5, 0.1f));
        EXPECT_NEAR(leveller.gainDb(), c.end, 0.05f) << c.to;
    }
    Leveller off;
    const std::vector<float> in = noise(2, 0.5f);
    std::vector<float> out = feed(off, in);
    EXPECT_GE(out.size() / 2 + Leveller::kLookahead + Leveller::kBlock, in.size() / 2);
    std::vector<float> tail((Leveller::kLookahead + Leveller::kBlock) * 2);
    out.insert(out.end(), tail.begin(),
               tail.begin() + static_cast<std::ptrdiff_t>(off.flush(tail.data()) * 2));
    EXPECT_EQ(out, in);
}

}  // namespace
