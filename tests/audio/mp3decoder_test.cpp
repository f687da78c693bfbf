#include "decode/mp3decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures.h"

namespace {

using zvtest::Decoded;

TEST(Mp3Decoder, DecodesFixtureWithKnownPeaks) {
    for (const char* name :
         {"tone44.mp3", "tone22.mp3", "tone11.mp3", "tone44mono.mp3", "tone44.mp2"}) {
        const auto bytes = zvtest::audioFixture(name);
        const Decoded out = zvtest::decodeSplit(zva::mp3DecoderInfo(), bytes, bytes.size() / 2);
        EXPECT_FALSE(out.fatal) << name;
        EXPECT_EQ(out.rate, zvtest::fixtureValue(name, "sample_rate")) << name;
        EXPECT_EQ(out.channels, zvtest::fixtureValue(name, "channels")) << name;
        const double seconds = static_cast<double>(out.frames()) / out.rate;
        // Encoder and decoder delay add up to a frame or two.
        EXPECT_NEAR(seconds, zvtest::fixtureValue(name, "seconds"), 0.25) << name;
        // From half a second on, as the fixture's peaks, so that the encoder's attack is out.
        for (int c = 0; c < out.channels; ++c) {
            const zvtest::Tone tone = zvtest::measureTone(out.samples, out.channels, c, out.rate,
                                                          out.rate / 2, out.frames());
            EXPECT_NEAR(tone.peak, zvtest::fixtureValue(name, c == 0 ? "peak_left" : "peak_right"),
                        400)
                << name << c;
        }
    }
}

TEST(Mp3Decoder, SameFramesForEverySplitAfterGarbage) {
    auto bytes = zvtest::garbage(700);
    const auto audio = zvtest::audioFixture("tone11.mp3");
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    const ZVA_PluginInfo& info = zva::mp3DecoderInfo();
    const Decoded whole = zvtest::decodeSplit(info, bytes, bytes.size());
    ASSERT_FALSE(whole.fatal);
    ASSERT_GT(whole.frames(), 11025u * 2);
    for (std::size_t cut = 0; cut < 2200; ++cut) {
        const Decoded split = zvtest::decodeSplit(info, bytes, cut);
        ASSERT_FALSE(split.fatal) << "cut at " << cut;
        ASSERT_EQ(split.frames(), whole.frames()) << "cut at " << cut;
    }
}

TEST(Mp3Decoder, ProbeTakesMpegAndLeavesAdts) {
    const ZVA_PluginInfo& info = zva::mp3DecoderInfo();
    const auto mp3 = zvtest::audioFixture("tone44.mp3");
    const auto aac = zvtest::audioFixture("tone44.aac");
    const auto noise = zvtest::garbage(4096);
    EXPECT_NE(info.probe("", mp3.data(), 4096), 0);
    EXPECT_EQ(info.probe("audio/mpeg", aac.data(), 4096), 0);
    EXPECT_EQ(info.probe("application/octet-stream", noise.data(), noise.size()), 0);
    EXPECT_NE(info.probe(" Audio/MPEG ; charset=x", noise.data(), noise.size()), 0);
}

TEST(Mp3Decoder, GivesUpOnEndlessGarbage) {
    const Decoded out =
        zvtest::decode(zva::mp3DecoderInfo(), zvtest::garbage(8 * 64 * 1024), 64 * 1024);
    EXPECT_TRUE(out.fatal);
    EXPECT_FALSE(out.okAfterFatal);
    EXPECT_EQ(out.frames(), 0u);
}

}  // namespace
