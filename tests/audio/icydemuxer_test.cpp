#include "net/icydemuxer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures.h"

namespace {

using Titles = std::vector<std::pair<std::size_t, std::string>>;  // audio offset, text

struct Recorder : zva::IcyDemuxer::Sink {
    std::string audioBytes;
    Titles titles;

    void audio(const std::uint8_t* data, std::size_t size) override {
        audioBytes.append(reinterpret_cast<const char*>(data), size);
    }
    void metadata(std::string_view text) override {
        titles.emplace_back(audioBytes.size(), std::string(text));
    }
};

// A metadata block: its length in 16-byte units, then the text padded with NULs.
std::string block(const std::string& text) {
    const std::size_t units = (text.size() + 15) / 16;
    return static_cast<char>(units) + text + std::string(units * 16 - text.size(), '\0');
}

TEST(IcyDemuxer, SeparatesAudioAndTitlesAtTheirBytesWhereverSplit) {
    const std::string a[] = {"abcdefghijklmnop", "qrstuvwxyzABCDEF", "GHIJKLMNOPQRSTUV",
                             "WXYZ0123456789+-", "ghijklmnopqrstuv"};
    // Awkward titles, an empty block and a block of only padding.
    const std::string sample = a[0] + block("StreamTitle='Rock; Roll';StreamUrl='';") + a[1] +
                               '\0' + a[2] + block("StreamTitle='O\\'Brien \"Live\" ;-)';") + a[3] +
                               block(std::string(3, '\0')) + a[4] + block("StreamTitle='';") +
                               "tail";
    std::string longest(255 * 16, 'T');
    longest[100] = '\0';  // the text ends at its first NUL
    const struct {
        std::size_t metaint;
        std::string wire;
        std::string audio;
        Titles titles;
    } cases[] = {
        {16,
         sample,
         a[0] + a[1] + a[2] + a[3] + a[4] + "tail",
         {{16, "StreamTitle='Rock; Roll';StreamUrl='';"},
          {48, "StreamTitle='O\\'Brien \"Live\" ;-)';"},
          {80, "StreamTitle='';"}}},
        {0, sample, sample, {}},
        {4, "xxxx\xFF" + longest + "yyyy", "xxxxyyyy", {{4, std::string(100, 'T')}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.metaint);
        for (std::size_t cut = 0; cut <= c.wire.size() + 1; ++cut) {
            zva::IcyDemuxer demuxer(c.metaint);
            Recorder out;
            zvtest::feedSplit(c.wire, cut,
                              [&](auto* p, std::size_t n) { demuxer.feed(p, n, out); });
            ASSERT_EQ(out.audioBytes, c.audio) << "cut at " << cut;
            ASSERT_EQ(out.titles, c.titles) << "cut at " << cut;
        }
    }
}

}  // namespace
