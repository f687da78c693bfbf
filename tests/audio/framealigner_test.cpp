#include "decode/framealigner.h"

#include <gtest/gtest.h>

#include <string>

#include "fixtures.h"

namespace {

using zva::FrameAligner;
using zva::FrameSync;

std::size_t frameAt(const std::string& bytes, std::size_t at, FrameSync::Format format) {
    if (at + 9 > bytes.size()) {
        return 0;
    }
    const auto* header = reinterpret_cast<const std::uint8_t*>(bytes.data() + at);
    return format == FrameSync::Format::Mpeg ? FrameSync::mpegFrame(header, nullptr)
                                             : FrameSync::adtsFrame(header, nullptr);
}

// Whether `bytes` are whole frames back to back, nothing before, between or after them.
bool wholeFrames(const std::string& bytes, FrameSync::Format format) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t length = frameAt(bytes, at, format);
        if (length == 0 || at + length > bytes.size()) {
            return false;
        }
        at += length;
    }
    return true;
}

class FrameAlignerTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        const auto file = zvtest::audioFixture(GetParam());
        ASSERT_FALSE(file.empty());
        const FrameSync::Result sync = FrameSync::find(file.data(), file.size());
        format_ = sync.format;
        // The fixture's run of whole frames.
        const std::string all(file.begin() + static_cast<long>(sync.offset), file.end());
        std::size_t end = 0;
        while (const std::size_t length = frameAt(all, end, format_)) {
            if (end + length > all.size()) {
                break;
            }
            end += length;
        }
        frames_ = all.substr(0, end);
    }
    FrameSync::Format format_ = FrameSync::Format::None;
    std::string frames_;
};

// However the bytes arrive, whole frames go on at once and the incomplete last one waits.
TEST_P(FrameAlignerTest, PassesWholeFramesWhateverTheCuts) {
    for (std::size_t cut = 1; cut < 3000; cut += 97) {
        FrameAligner aligner(format_);
        std::string out;
        zvtest::feedSplit(frames_.substr(0, frames_.size() - 100), cut,
                          [&](const std::uint8_t* data, std::size_t size) {
                              aligner.feed(data, size, out);
                              EXPECT_TRUE(wholeFrames(out, format_)) << cut;
                          });
        EXPECT_EQ(frames_.compare(0, out.size(), out), 0) << cut;
        EXPECT_LT(frames_.size() - 100 - out.size(), 8192u);
        aligner.flush(out);
        EXPECT_EQ(out, frames_.substr(0, frames_.size() - 100)) << cut;
    }
}

// A new connection drops the half frame the old one left and joins at its first whole frame,
// behind whatever came before it.
TEST_P(FrameAlignerTest, JoinsANewConnectionAtAFrameBoundary) {
    const std::size_t brokenAt = frames_.size() / 3 + 5;
    const auto junk = zvtest::garbage(700);
    std::string second(junk.begin(), junk.end());
    second += frames_.substr(brokenAt);
    FrameAligner aligner(format_);
    std::string out;
    zvtest::feedSplit(frames_.substr(0, brokenAt), 1000,
                      [&](const std::uint8_t* d, std::size_t n) { aligner.feed(d, n, out); });
    const std::size_t before = out.size();
    aligner.restart();
    zvtest::feedSplit(second, 1234,
                      [&](const std::uint8_t* d, std::size_t n) { aligner.feed(d, n, out); });
    aligner.flush(out);
    EXPECT_FALSE(aligner.joinFailed());
    EXPECT_TRUE(wholeFrames(out, format_));
    EXPECT_GT(out.size(), before + frames_.size() / 3);
}

TEST_P(FrameAlignerTest, ANewConnectionWithoutFramesFails) {
    FrameAligner aligner(format_);
    std::string out;
    aligner.feed(reinterpret_cast<const std::uint8_t*>(frames_.data()), 5000, out);
    aligner.restart();
    const auto junk = zvtest::garbage(FrameAligner::kMaxSearch);
    aligner.feed(junk.data(), junk.size(), out);
    EXPECT_TRUE(aligner.joinFailed());
    aligner.flush(out);
    EXPECT_TRUE(wholeFrames(out, format_));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FrameAlignerTest,
                         ::testing::Values("tone44.mp3", "tone11.mp3", "tone44.mp2", "tone44.aac"));

}  // namespace
