// stationd as a radio station: answer heads, ICY metadata framing, the title schedule, pacing,
// redirects and the stream faults, read through real loopback sockets and checked against the
// fixture file the stations loop.

#include "rawclient.h"
#include "response.h"
#include "stationd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using namespace std::chrono_literals;

const std::string kData = ZV_TEST_DATA_DIR;
constexpr size_t kBurst = 65536;

// A body split into its audio and the texts of its metadata blocks ("" for an empty block);
// `framed` turns false at a block not padded with fewer than 16 NUL bytes.
struct Demuxed {
    std::string audio;
    std::vector<std::string> blocks;
    bool framed = true;
};

Demuxed demux(const std::string& body, size_t metaint) {
    Demuxed out;
    for (size_t at = metaint; at < body.size(); at += 1 + metaint) {
        out.audio += body.substr(at - metaint, metaint);
        const size_t length = static_cast<unsigned char>(body[at]) * 16u;
        if (at + 1 + length > body.size()) {
            break;
        }
        const std::string block = body.substr(at + 1, length);
        const std::string text = block.substr(0, block.find('\0'));
        out.framed &= length - text.size() < 16 &&
                      block.find_first_not_of('\0', text.size()) == std::string::npos;
        out.blocks.push_back(text);
        at += length;
    }
    return out;
}

// Whether `audio` is the fixture looped from its start.
bool looped(const std::string& audio, const std::string& file) {
    for (size_t at = 0; at < audio.size() && !file.empty(); at += file.size()) {
        if (audio.compare(at, file.size(), file, 0, audio.size() - at) != 0) {
            return false;
        }
    }
    return !file.empty();
}

std::string title(const std::string& text) {
    return "StreamTitle='" + text + "';StreamUrl='';";
}

class StationdStream : public ::testing::Test {
protected:
    // Connects, asks for the target and reads until `bytes` have come (or 10 s passed).
    std::unique_ptr<RawClient> open(const std::string& target, bool metadata, size_t bytes) {
        auto client = std::make_unique<RawClient>(server_.port());
        client->send("GET " + target + " HTTP/1.0\r\n" + (metadata ? "Icy-MetaData: 1\r\n" : "") +
                     "\r\n");
        client->read(10s, bytes);
        return client;
    }

    const zvtest::Stationd& server_ = zvtest::sharedStationd();
    const std::string mp3_ = readFile(kData + "/audio/tone44.mp3");
};

// Without metadata the body is the station's file looped from its start, whatever the head holds.
TEST_F(StationdStream, AnswerHeadAndAudioWithoutMetadata) {
    const struct {
        const char* target;
        bool metadataAsked;
        const char *statusLine, *contentType, *file;
        size_t minHead;
    } cases[] = {
        {"/mp3", false, "ICY 200 OK", "audio/mpeg", "tone44.mp3", 0},
        {"/aac", false, "ICY 200 OK", "audio/aac", "tone44.aac", 0},
        {"/http/mp3", false, "HTTP/1.0 200 OK", "audio/mpeg", "tone44.mp3", 0},
        {"/mp3?no_metadata=1", true, "ICY 200 OK", "audio/mpeg", "tone44.mp3", 0},
        {"/mp3?header_padding=1048576", false, "ICY 200 OK", "audio/mpeg", "tone44.mp3", 1048576},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const Response got(open(c.target, c.metadataAsked, c.minHead + kBurst)->data());
        EXPECT_EQ(got.statusLine(), c.statusLine);
        EXPECT_EQ(got.header("content-type"), c.contentType);
        EXPECT_EQ(got.header("icy-metaint"), "");
        EXPECT_GE(got.head.size(), c.minHead);
        EXPECT_GE(got.head.size() + got.body.size(), c.minHead + kBurst);
        EXPECT_TRUE(looped(got.body, readFile(kData + "/audio/" + c.file)));
    }
    const Response got(open("/mp3?header_padding=1048576", false, 1048576 + 1000)->data());
    EXPECT_EQ(got.header("icy-name"), "Teszt Rádió MP3");
    EXPECT_EQ(got.header("icy-description"), "Szinuszhangok 44,1 kHz");
    EXPECT_EQ(got.header("icy-br"), "128");
    EXPECT_EQ(got.header("icy-url"), "http://127.0.0.1:" + std::to_string(server_.port()) + "/");
}

TEST_F(StationdStream, MetadataBlocksEveryMetaintBytes) {
    const Response got(open("/mp3", true, kBurst)->data());
    ASSERT_EQ(got.header("icy-metaint"), "8192");
    const Demuxed stream = demux(got.body, 8192);
    ASSERT_GE(stream.blocks.size(), 5u);
    EXPECT_EQ(stream.blocks[0], title("Első Előadó - Első dal"));
    EXPECT_EQ(std::count(stream.blocks.begin(), stream.blocks.end(), ""),
              std::ptrdiff_t(stream.blocks.size() - 1));
    EXPECT_TRUE(stream.framed);
    EXPECT_TRUE(looped(stream.audio, mp3_));
}

TEST_F(StationdStream, TitlesFollowTheScheduleEachSentOnce) {
    auto client = open("/mp3?titles=A|B|C&title_interval=0.4&metaint=500&burst=0", true, 0);
    client->read(1500ms);
    const Demuxed stream = demux(Response(client->data()).body, 500);
    std::vector<std::string> titles;
    std::copy_if(stream.blocks.begin(), stream.blocks.end(), std::back_inserter(titles),
                 [](const std::string& block) { return !block.empty(); });
    ASSERT_GE(titles.size(), 4u) << "four titles in 1.5 s at 0.4 s each";
    for (size_t i = 0; i < titles.size(); ++i) {
        EXPECT_EQ(titles[i], title(std::string(1, char('A' + i % 3)))) << "title " << i;
    }
    EXPECT_GT(stream.blocks.size(), 2 * titles.size());
}

TEST_F(StationdStream, PacedAtTheBitRateAfterTheBurst) {
    const double rate = mp3_.size() / 3.0;  // the fixture is 3 s long
    for (const auto& [query, share] : {std::pair{"", 1.0}, {"?trickle=50", 0.5}}) {
        auto client = open(std::string("/mp3") + query, false, kBurst);
        ASSERT_GE(client->data().size(), kBurst);
        const size_t paced = client->read(2s);
        EXPECT_GT(paced, 0.7 * 2 * share * rate) << query;
        EXPECT_LT(paced, 1.3 * 2 * share * rate) << query;
    }
}

TEST_F(StationdStream, RedirectsAndDropsCloseTheConnection) {
    const std::string host = "http://127.0.0.1:" + std::to_string(server_.port());
    const struct {
        const char* target;
        std::string location;
        size_t minBody;
    } cases[] = {{"/redirect/mp3", host + "/mp3", 0},
                 {"/redirect/loop?n=1", host + "/redirect/loop?n=1", 0},
                 {"/mp3?drop_after=0.3", "", kBurst}};
    for (const auto& c : cases) {
        auto client = open(c.target, false, SIZE_MAX);
        EXPECT_TRUE(client->closed()) << c.target;
        const Response got(client->data());
        EXPECT_EQ(got.header("location"), c.location);
        EXPECT_EQ(got.statusLine(), c.location.empty() ? "ICY 200 OK" : "HTTP/1.0 302 Found");
        EXPECT_GE(got.body.size(), c.minBody);
    }
}

// Garbage shifts the audio after it; an overrun length byte is followed by the title's own
// 16-byte units and then the audio.
TEST_F(StationdStream, FaultsInTheBody) {
    const std::string text = title("Első Előadó - Első dal");
    const size_t padded = (text.size() + 15) / 16 * 16;
    const struct {
        const char* target;
        bool metadata;
        size_t at;
        std::string expected;
    } cases[] = {
        {"/mp3?garbage_after=1000&garbage_len=500", false, 0, mp3_.substr(0, 1000)},
        {"/mp3?garbage_after=1000&garbage_len=500", false, 1500, mp3_.substr(1000, 8000)},
        {"/mp3?meta_overrun=1", true, 8192, "\xFF" + text},
        {"/mp3?meta_overrun=1", true, 8193 + padded, mp3_.substr(8192, 100)},
    };
    for (const auto& c : cases) {
        const std::string body = Response(open(c.target, c.metadata, 20000)->data()).body;
        EXPECT_TRUE(body.compare(c.at, c.expected.size(), c.expected) == 0) << c.target << c.at;
    }
}

}  // namespace
