// Finding frames in the byte stream, passing only whole ones on, and decoding MPEG audio.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/framealigner.h"
#include "decode/framesync.h"
#include "decode/mp3decoder.h"
#include "fixtures.h"

namespace {

using zva::FrameAligner;
using zva::FrameSync;
using zvtest::Decoded;

struct Case {
    const char* file;
    FrameSync::Format format;
};

class FrameSyncFixture : public ::testing::TestWithParam<Case> {};

TEST_P(FrameSyncFixture, FindsFirstFrameAfterGarbage) {
    const auto audio = zvtest::audioFixture(GetParam().file);
    ASSERT_FALSE(audio.empty());
    const FrameSync::Result clean = FrameSync::find(audio.data(), audio.size());
    ASSERT_EQ(clean.format, GetParam().format);
    EXPECT_EQ(clean.sampleRate, zvtest::fixtureValue(GetParam().file, "sample_rate"));
    EXPECT_EQ(clean.channels, zvtest::fixtureValue(GetParam().file, "channels"));
    const long kbps = zvtest::fixtureValue(GetParam().file, "bit_rate");
    if (GetParam().format == FrameSync::Format::Mpeg) {
        EXPECT_EQ(clean.bitrate, kbps * 1000);
    } else {
        // AAC frames vary with the content (a pure tone needs less than the nominal rate):
        // only an estimate from the first frames.
        EXPECT_GT(clean.bitrate, kbps * 1000 / 4);
        EXPECT_LT(clean.bitrate, kbps * 1000 * 2);
    }

    auto dirty = zvtest::garbage(1500);
    dirty.insert(dirty.end(), audio.begin() + static_cast<long>(clean.offset), audio.end());
    const FrameSync::Result found = FrameSync::find(dirty.data(), dirty.size());
    EXPECT_EQ(found.format, GetParam().format);
    EXPECT_EQ(found.offset, 1500u);
    // Too little data to see a second frame: not yet found.
    EXPECT_EQ(FrameSync::find(dirty.data(), 1505).format, FrameSync::Format::None);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FrameSyncFixture,
                         ::testing::Values(Case{"tone44.mp3", FrameSync::Format::Mpeg},
                                           Case{"tone22.mp3", FrameSync::Format::Mpeg},
                                           Case{"tone11.mp3", FrameSync::Format::Mpeg},
                                           Case{"tone44mono.mp3", FrameSync::Format::Mpeg},
                                           Case{"tone44.mp2", FrameSync::Format::Mpeg},
                                           Case{"tone44.aac", FrameSync::Format::Adts},
                                           Case{"tone22.aac", FrameSync::Format::Adts},
                                           Case{"tone44mono.aac", FrameSync::Format::Adts}));

TEST(FrameSync, LoneHeaderIsNotEnough) {
    auto bytes = zvtest::garbage(4000);
    const std::uint8_t header[] = {0xFF, 0xFB, 0x90, 0x64};
    std::copy(std::begin(header), std::end(header), bytes.begin() + 100);
    EXPECT_EQ(FrameSync::find(bytes.data(), bytes.size()).format, FrameSync::Format::None);
}

using zva::FrameAligner;
// Whether `bytes` are whole frames back to back: nothing before, between or after them.
bool wholeFrames(const std::string& bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::size_t at = 0;
    while (at + 9 <= bytes.size()) {
        const std::size_t length = std::max(FrameSync::mpegFrame(data + at, nullptr),
                                            FrameSync::adtsFrame(data + at, nullptr));
        if (length == 0 || at + length > bytes.size()) {
            return false;
        }
        at += length;
    }
    return at == bytes.size();
}

// Feeds `input` cut into pieces of `piece` bytes.
void feed(FrameAligner& aligner, const std::string& input, std::size_t piece, std::string& out) {
    zvtest::feedPieces(input, piece,
                       [&](auto* bytes, std::size_t size) { aligner.feed(bytes, size, out); });
}

class FrameAlignerTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        const auto file = zvtest::audioFixture(GetParam());
        const FrameSync::Result sync = FrameSync::find(file.data(), file.size());
        ASSERT_NE(sync.format, FrameSync::Format::None);
        aligner_ = FrameAligner(sync.format);
        // A run of whole frames of the fixture, without its last frame, which may be cut.
        frames_.assign(file.begin() + static_cast<long>(sync.offset), file.end());
        while (!frames_.empty() && !wholeFrames(frames_)) {
            frames_.pop_back();
        }
        ASSERT_GT(frames_.size(), 10000u);
    }
    FrameAligner aligner_;
    std::string frames_;
};

// However the bytes arrive, only whole frames go on; at the end the rest follows, so nothing of
// one connection is lost.
TEST_P(FrameAlignerTest, PassesWholeFramesWhateverThePieces) {
    const std::string input = frames_.substr(0, frames_.size() - 100);
    for (const std::size_t piece : {1, 97, 1000, 4096}) {
        FrameAligner aligner = aligner_;
        std::string out;
        feed(aligner, input, piece, out);
        EXPECT_TRUE(wholeFrames(out)) << piece;
        EXPECT_LT(input.size() - out.size(), 8192u) << piece;
        aligner.flush(out);
        EXPECT_EQ(out, input) << piece;
    }
}

// A new connection drops the half frame the old one left and joins at its first whole frame,
// behind whatever came before it; one without frames fails.
TEST_P(FrameAlignerTest, JoinsANewConnectionAtAFrameBoundary) {
    const std::size_t brokenAt = frames_.size() / 3 + 5;
    const auto junk = zvtest::garbage(700);
    for (const bool framed : {true, false}) {
        FrameAligner aligner = aligner_;
        std::string out;
        feed(aligner, frames_.substr(0, brokenAt), 1000, out);
        aligner.restart();
        std::string second(junk.begin(), junk.end());
        second += framed ? frames_.substr(brokenAt) : std::string(FrameAligner::kMaxSearch, '\0');
        feed(aligner, second, 1234, out);
        aligner.flush(out);
        EXPECT_EQ(aligner.joinFailed(), !framed);
        EXPECT_TRUE(wholeFrames(out)) << framed;
        EXPECT_EQ(out.size() > brokenAt, framed);
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FrameAlignerTest,
                         ::testing::Values("tone44.mp3", "tone11.mp3", "tone44.mp2", "tone44.aac"));

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
