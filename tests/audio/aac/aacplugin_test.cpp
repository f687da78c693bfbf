// The AAC add-on as libzvaudio sees it: loaded with dlopen, used only through its table.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "fixtures.h"
#include "zvaudio_plugin.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

using zvtest::Decoded;
using zvtest::noise;

// Noise behind well-formed, chained ADTS headers (AAC LC, 44.1 kHz, stereo, as tone44.aac), so
// that the sync locks on and FAAD2 has to refuse the frames.
Bytes noiseFrames(unsigned count, unsigned seed) {
    Bytes frames;
    for (unsigned i = 0; i < count; ++i) {
        Bytes frame = noise(200 + i % 300, seed + i);
        const auto header = zvtest::adtsHeader(frame.size(), 4, 2);
        std::copy(header.begin(), header.end(), frame.begin());
        frames.insert(frames.end(), frame.begin(), frame.end());
    }
    return frames;
}

class AacPlugin : public zvtest::PluginTest {
protected:
    AacPlugin() : PluginTest(ZVAUDIO_AAC_PLUGIN) {}
};

TEST_F(AacPlugin, ProbeTakesAacContentTypesAndAdtsBytes) {
    const Bytes junk = noise(4096, 1);
    for (const char* type :
         {"audio/aac", "audio/aacp", "audio/x-aac", "AUDIO/AACP", " audio/aac ; charset=x"}) {
        EXPECT_EQ(plugin_->probe(type, junk.data(), junk.size()), 1) << type;
        EXPECT_EQ(plugin_->probe(type, nullptr, 0), 1) << type;
    }
    for (const char* type : {"audio/mpeg", "audio/aac2", "audio", ""}) {
        EXPECT_EQ(plugin_->probe(type, junk.data(), junk.size()), 0) << type;
    }
    const Bytes stream = zvtest::audioFixture("tone44.aac");
    ASSERT_GT(stream.size(), 5096u);
    // Unlabelled or mislabelled: the bytes decide, also when the body starts mid-frame.
    EXPECT_EQ(plugin_->probe(nullptr, stream.data(), 4096), 1);
    EXPECT_EQ(plugin_->probe("application/octet-stream", stream.data() + 1000, 4096), 1);
    EXPECT_EQ(plugin_->probe(nullptr, stream.data(), 100), 0);  // not even two headers
    EXPECT_EQ(plugin_->probe(nullptr, junk.data(), junk.size()), 0);
}

TEST_F(AacPlugin, FixturesComeOutWithTheirTonesAndPeaksHoweverTheBytesArrive) {
    for (const char* name : {"tone44.aac", "tone48.aac", "tone22.aac", "tone44mono.aac"}) {
        SCOPED_TRACE(name);
        const Bytes bytes = zvtest::audioFixture(name);
        const Decoded out = zvtest::decode(*plugin_, bytes, 4096);
        EXPECT_FALSE(out.fatal);
        EXPECT_FALSE(out.formatChanged);
        // At 24 kHz and below FAAD2 runs the stream through its SBR stage, which doubles the
        // rate, and mono comes out as two equal channels, as mono with parametric stereo does.
        // The tone frequencies below are measured at the rate the sink was given.
        const long rate = zvtest::fixtureValue(name, "sample_rate");
        EXPECT_EQ(out.rate, rate <= 24000 ? 2 * rate : rate);
        EXPECT_EQ(out.channels, 2);
        ASSERT_GE(out.frames(), out.rate * 5u / 2);
        for (int c = 0; c < out.channels; ++c) {
            const std::string side = c == 0 ? "_left" : "_right";
            const double tone = zvtest::fixtureValue(name, "tone" + side);
            const double peak = zvtest::fixtureValue(name, "peak" + side);
            // From 0.5 s to 2.5 s, where the fixtures' peaks were measured.
            const zvtest::Tone got = zvtest::measureTone(out.samples, out.channels, c, out.rate,
                                                         out.rate / 2, out.rate * 5 / 2);
            EXPECT_NEAR(got.frequency, tone, tone * 0.01) << side;
            EXPECT_NEAR(got.peak, peak, peak * 0.02) << side;
        }
        for (const size_t chunk : {1, 333}) {
            EXPECT_TRUE(zvtest::decode(*plugin_, bytes, chunk).samples == out.samples) << chunk;
        }
    }
}

// Damaged data is skipped; only an unbroken run of failures, not their sum, makes the decoder
// give up, and then for good.
TEST_F(AacPlugin, GivesUpOnlyOnAnUnbrokenRunOfFailures) {
    const Bytes clean = zvtest::audioFixture("tone44.aac");
    const Decoded reference = zvtest::decode(*plugin_, clean, 4096);
    ASSERT_GT(reference.frames(), 0u);
    // A stream that starts mid-frame, scrambled stretches inside frames, and a burst of junk.
    Bytes damaged(clean.begin() + 501, clean.end());
    for (size_t at = 2000; at + 64 < damaged.size(); at += 3000) {
        for (size_t i = 0; i < 64; ++i) {
            damaged[at + i] ^= static_cast<std::uint8_t>(0x5A + i);
        }
    }
    const Bytes junk = noise(3000, 7);
    damaged.insert(damaged.begin() + static_cast<long>(damaged.size() / 2), junk.begin(),
                   junk.end());
    // More bad frames than the limit in all, but never that many in a row.
    Bytes interrupted = clean;
    for (unsigned run = 0; run < 3; ++run) {
        const Bytes bad = noiseFrames(50, run * 100);
        interrupted.insert(interrupted.end(), bad.begin(), bad.end());
        interrupted.insert(interrupted.end(), clean.begin(), clean.end());
    }
    const struct {
        const char* name;
        Bytes bytes;
        size_t chunk;
        size_t minFrames;
        size_t maxFrames;
    } cases[] = {
        {"damaged, byte by byte", damaged, 1, reference.frames() * 7 / 10, reference.frames() - 1},
        {"damaged", damaged, 997, reference.frames() * 7 / 10, reference.frames() - 1},
        {"interrupted runs", interrupted, 4096, reference.frames() * 3 + 1, SIZE_MAX},
        // Plain noise exhausts the sync's patience, noise frames FAAD2's.
        {"noise", noise(4 << 20, 3), 4096, 0, 0},
        {"noise frames", noiseFrames(2000, 0), 4096, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded out = zvtest::decode(*plugin_, c.bytes, c.chunk);
        EXPECT_EQ(out.fatal, c.maxFrames == 0);
        EXPECT_FALSE(out.okAfterFatal);
        EXPECT_GE(out.frames(), c.minFrames);
        EXPECT_LE(out.frames(), c.maxFrames);
        if (out.frames() > 0) {
            EXPECT_EQ(std::pair(out.rate, out.channels),
                      std::pair(reference.rate, reference.channels));
        }
    }
}

}  // namespace
