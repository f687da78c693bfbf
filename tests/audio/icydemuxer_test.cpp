#include "net/icydemuxer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Recorder : zva::IcyDemuxer::Sink {
    std::string audioBytes;
    std::vector<std::pair<std::size_t, std::string>> titles;  // audio offset, text

    void audio(const std::uint8_t* data, std::size_t size) override {
        audioBytes.append(reinterpret_cast<const char*>(data), size);
    }
    void metadata(std::string_view text) override {
        titles.emplace_back(audioBytes.size(), std::string(text));
    }
};

std::string metaBlock(const std::string& text) {
    const std::size_t blocks = (text.size() + 15) / 16;
    std::string block(1, static_cast<char>(blocks));
    block += text;
    block.append(blocks * 16 - text.size(), '\0');
    return block;
}

// An ICY body with metaint 16: audio "a..p", then blocks with awkward titles, an empty block
// and a block that is only padding.
struct Sample {
    std::string wire;
    std::string audio;
};

Sample sample() {
    Sample s;
    const std::vector<std::string> metas = {
        "StreamTitle='Rock; Roll';StreamUrl='';",
        "",
        "StreamTitle='O\\'Brien \"Live\" ;-)';",
        std::string("\0\0\0", 3),
        "StreamTitle='';",
    };
    for (std::size_t i = 0; i < metas.size(); ++i) {
        std::string audio;
        for (int b = 0; b < 16; ++b) {
            audio.push_back(static_cast<char>('a' + (i * 16 + b) % 26));
        }
        s.audio += audio;
        s.wire += audio;
        s.wire += metas[i].empty() ? std::string(1, '\0') : metaBlock(metas[i]);
    }
    s.audio += "tail";
    s.wire += "tail";
    return s;
}

void feedIn(zva::IcyDemuxer& demuxer, const std::string& wire, std::size_t cut, Recorder& out) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(wire.data());
    demuxer.feed(bytes, cut, out);
    demuxer.feed(bytes + cut, wire.size() - cut, out);
}

TEST(IcyDemuxer, SeparatesAudioAndTitlesAtTheirBytes) {
    const Sample s = sample();
    zva::IcyDemuxer demuxer(16);
    Recorder out;
    feedIn(demuxer, s.wire, s.wire.size(), out);
    EXPECT_EQ(out.audioBytes, s.audio);
    ASSERT_EQ(out.titles.size(), 3u);
    EXPECT_EQ(out.titles[0].first, 16u);
    EXPECT_EQ(out.titles[0].second, "StreamTitle='Rock; Roll';StreamUrl='';");
    EXPECT_EQ(out.titles[1].first, 48u);
    EXPECT_EQ(out.titles[1].second, "StreamTitle='O\\'Brien \"Live\" ;-)';");
    EXPECT_EQ(out.titles[2].first, 80u);
    EXPECT_EQ(out.titles[2].second, "StreamTitle='';");
}

TEST(IcyDemuxer, SameResultForEverySplit) {
    const Sample s = sample();
    Recorder whole;
    zva::IcyDemuxer reference(16);
    feedIn(reference, s.wire, s.wire.size(), whole);
    for (std::size_t cut = 0; cut <= s.wire.size(); ++cut) {
        zva::IcyDemuxer demuxer(16);
        Recorder out;
        feedIn(demuxer, s.wire, cut, out);
        ASSERT_EQ(out.audioBytes, whole.audioBytes) << "cut at " << cut;
        ASSERT_EQ(out.titles, whole.titles) << "cut at " << cut;
    }
    zva::IcyDemuxer demuxer(16);
    Recorder out;
    for (char c : s.wire) {
        const auto byte = static_cast<std::uint8_t>(c);
        demuxer.feed(&byte, 1, out);
    }
    EXPECT_EQ(out.titles, whole.titles);
    EXPECT_EQ(out.audioBytes, whole.audioBytes);
}

TEST(IcyDemuxer, WithoutIntervalEverythingIsAudio) {
    const Sample s = sample();
    zva::IcyDemuxer demuxer(0);
    Recorder out;
    feedIn(demuxer, s.wire, 7, out);
    EXPECT_EQ(out.audioBytes, s.wire);
    EXPECT_TRUE(out.titles.empty());
}

TEST(IcyDemuxer, LongestBlockAndTextEndingAtNul) {
    std::string wire(4, 'x');
    std::string text(255 * 16, 'T');
    text[100] = '\0';
    wire.push_back(static_cast<char>(255));
    wire += text;
    wire += "yyyy";
    zva::IcyDemuxer demuxer(4);
    Recorder out;
    feedIn(demuxer, wire, 2000, out);
    ASSERT_EQ(out.titles.size(), 1u);
    EXPECT_EQ(out.titles[0].second, std::string(100, 'T'));
    EXPECT_EQ(out.audioBytes, "xxxxyyyy");
}

}  // namespace
