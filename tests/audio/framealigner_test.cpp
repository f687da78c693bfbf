#include "decode/framealigner.h"

#include <gtest/gtest.h>

#include <string>

#include "fixtures.h"

namespace {

using zva::FrameAligner;
using zva::FrameSync;

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

}  // namespace
