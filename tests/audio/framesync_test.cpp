#include "decode/framesync.h"

#include <gtest/gtest.h>

#include "fixtures.h"

namespace {

using zva::FrameSync;

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

}  // namespace
