// stationd as a radio station: answer heads, ICY metadata framing, the title schedule, pacing,
// redirects and the stream faults, read through real loopback sockets and checked against the
// fixture files the stations loop.

#include "rawclient.h"
#include "response.h"
#include "stationd.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kData = ZV_TEST_DATA_DIR;
constexpr size_t kBurst = 65536;

// A body split into its audio and its metadata blocks (texts without padding; "" for empty).
struct Demuxed {
    std::string audio;
    std::vector<std::string> blocks;
    bool paddingZero = true;  // every block was filled up with NUL bytes only
};

Demuxed demux(const std::string& body, size_t metaint) {
    Demuxed out;
    size_t at = 0;
    while (at + metaint < body.size()) {
        out.audio += body.substr(at, metaint);
        at += metaint;
        const size_t length = static_cast<unsigned char>(body[at]) * 16u;
        if (at + 1 + length > body.size()) {
            return out;
        }
        std::string text = body.substr(at + 1, length);
        const size_t end = text.find('\0');
        if (end != std::string::npos) {
            out.paddingZero &= text.find_first_not_of('\0', end) == std::string::npos;
            out.paddingZero &= length - end < 16;
            text.resize(end);
        }
        out.blocks.push_back(text);
        at += 1 + length;
    }
    return out;
}

// The file looped to `size` bytes.
std::string looped(const std::string& file, size_t size) {
    std::string out;
    while (out.size() < size) {
        out += file.substr(0, size - out.size());
    }
    return out;
}

std::string request(const std::string& target, bool metadata) {
    return "GET " + target + " HTTP/1.0\r\n" + (metadata ? "Icy-MetaData: 1\r\n" : "") + "\r\n";
}

// Connects, asks for the target and reads until `bytes` have come (or 10 s passed).
std::unique_ptr<RawClient> open(const zvtest::Stationd& server, const std::string& target,
                                bool metadata, size_t bytes) {
    auto client = std::make_unique<RawClient>(server.port());
    client->send(request(target, metadata));
    client->readAtLeast(bytes, 10s);
    return client;
}

std::string title(const std::string& text) {
    return "StreamTitle='" + text + "';StreamUrl='';";
}

class StationdStream : public ::testing::Test {
protected:
    zvtest::Stationd server_{kData};
    const std::string mp3_ = readFile(kData + "/audio/tone44.mp3");
};

TEST_F(StationdStream, AnswerHeadAndAudioWithoutMetadataRequest) {
    ASSERT_FALSE(mp3_.empty());
    auto client = open(server_, "/mp3", false, kBurst);
    const Response got = Response::parse(client->data());
    EXPECT_EQ(got.statusLine, "ICY 200 OK");
    EXPECT_EQ(got.header("content-type"), "audio/mpeg");
    EXPECT_EQ(got.header("icy-name"), "Teszt Rádió MP3");
    EXPECT_EQ(got.header("icy-description"), "Szinuszhangok 44,1 kHz");
    EXPECT_EQ(got.header("icy-br"), "128");
    EXPECT_EQ(got.header("icy-url"), "http://127.0.0.1:" + std::to_string(server_.port()) + "/");
    EXPECT_EQ(got.headers.count("icy-metaint"), 0u);
    ASSERT_GE(got.body.size(), kBurst - got.headSize);
    EXPECT_TRUE(got.body == looped(mp3_, got.body.size()));

    auto aac = open(server_, "/aac", false, 1000);
    EXPECT_EQ(Response::parse(aac->data()).header("content-type"), "audio/aac");
    auto http = open(server_, "/http/mp3", false, 1000);
    EXPECT_EQ(Response::parse(http->data()).statusLine, "HTTP/1.0 200 OK");
}

TEST_F(StationdStream, MetadataBlocksEveryMetaintBytes) {
    auto client = open(server_, "/mp3", true, kBurst);
    const Response got = Response::parse(client->data());
    ASSERT_EQ(got.header("icy-metaint"), "8192");
    const Demuxed stream = demux(got.body, 8192);
    ASSERT_GE(stream.blocks.size(), 5u);
    EXPECT_EQ(stream.blocks[0], title("Első Előadó - Első dal"));
    for (size_t i = 1; i < stream.blocks.size(); ++i) {
        EXPECT_EQ(stream.blocks[i], "") << "block " << i;
    }
    EXPECT_TRUE(stream.paddingZero);
    EXPECT_TRUE(stream.audio == looped(mp3_, stream.audio.size()));
}

TEST_F(StationdStream, TitlesFollowTheScheduleEachSentOnce) {
    auto client =
        open(server_, "/mp3?titles=A|B|C&title_interval=0.4&metaint=500&burst=0", true, 0);
    client->readFor(1500ms);
    const Demuxed stream = demux(Response::parse(client->data()).body, 500);
    std::vector<std::string> titles;
    for (const std::string& block : stream.blocks) {
        if (!block.empty()) {
            titles.push_back(block);
        }
    }
    ASSERT_GE(titles.size(), 4u) << "four titles in 1.5 s at 0.4 s each";
    const std::string cycle[] = {title("A"), title("B"), title("C")};
    for (size_t i = 0; i < titles.size(); ++i) {
        EXPECT_EQ(titles[i], cycle[i % 3]) << "title " << i;
    }
    EXPECT_GT(stream.blocks.size(), 2 * titles.size());
}

TEST_F(StationdStream, PacedAtTheBitRateAfterTheBurst) {
    const double rate = mp3_.size() / 3.0;  // the fixture is 3 s long
    auto client = open(server_, "/mp3", false, kBurst);
    ASSERT_GE(client->data().size(), kBurst);
    const size_t paced = client->readFor(2s);
    EXPECT_GT(paced, 0.7 * 2 * rate);
    EXPECT_LT(paced, 1.3 * 2 * rate);

    auto trickle = open(server_, "/mp3?trickle=50", false, kBurst);
    const size_t slow = trickle->readFor(2s);
    EXPECT_GT(slow, 0.7 * rate);
    EXPECT_LT(slow, 1.3 * rate);
}

TEST_F(StationdStream, RedirectsPointAtStationsOrThemselves) {
    const std::string host = "http://127.0.0.1:" + std::to_string(server_.port());
    auto redirect = open(server_, "/redirect/mp3", false, 0);
    EXPECT_TRUE(redirect->readUntilClosed(10s));
    const Response moved = Response::parse(redirect->data());
    EXPECT_EQ(moved.statusLine, "HTTP/1.0 302 Found");
    EXPECT_EQ(moved.header("location"), host + "/mp3");

    auto loop = open(server_, "/redirect/loop?n=1", false, 0);
    EXPECT_TRUE(loop->readUntilClosed(10s));
    EXPECT_EQ(Response::parse(loop->data()).header("location"), host + "/redirect/loop?n=1");
}

TEST_F(StationdStream, DropAfterClosesTheConnection) {
    auto client = open(server_, "/mp3?drop_after=0.3", false, 1000);
    EXPECT_TRUE(client->readUntilClosed(10s));
    EXPECT_GE(client->data().size(), kBurst);
}

TEST_F(StationdStream, StallGoesSilentThenResumes) {
    auto client = open(server_, "/mp3?burst=0&stall_at=0.2&stall_for=1", false, 1);
    Clock::time_point last = Clock::now();
    Clock::duration longestGap{};
    const Clock::time_point end = last + 2s;
    while (Clock::now() < end && !client->closed()) {
        if (client->readSome(50ms) > 0) {
            longestGap = std::max(longestGap, Clock::now() - last);
            last = Clock::now();
        }
    }
    EXPECT_GT(longestGap, 600ms);
    EXPECT_LT(Clock::now() - last, 500ms) << "no audio after the stall";
}

TEST_F(StationdStream, GarbageIsSplicedIntoTheAudio) {
    auto client = open(server_, "/mp3?garbage_after=1000&garbage_len=500", false, 20000);
    const std::string body = Response::parse(client->data()).body;
    ASSERT_GE(body.size(), 10000u);
    EXPECT_TRUE(body.substr(0, 1000) == mp3_.substr(0, 1000));
    EXPECT_FALSE(body.substr(1000, 500) == mp3_.substr(1000, 500));
    EXPECT_TRUE(body.substr(1500, 8000) == mp3_.substr(1000, 8000));
}

TEST_F(StationdStream, MetadataLengthByteOverruns) {
    auto client = open(server_, "/mp3?meta_overrun=1", true, 20000);
    const std::string body = Response::parse(client->data()).body;
    const std::string text = title("Első Előadó - Első dal");
    const size_t padded = (text.size() + 15) / 16 * 16;
    ASSERT_GT(body.size(), 8192 + 1 + padded + 100);
    EXPECT_EQ(static_cast<unsigned char>(body[8192]), 255);
    EXPECT_EQ(body.substr(8193, text.size()), text);
    EXPECT_TRUE(body.substr(8193 + padded, 100) == mp3_.substr(8192, 100));
}

TEST_F(StationdStream, NoMetadataIgnoresTheRequest) {
    auto client = open(server_, "/mp3?no_metadata=1", true, kBurst);
    const Response got = Response::parse(client->data());
    EXPECT_EQ(got.headers.count("icy-metaint"), 0u);
    EXPECT_TRUE(got.body == looped(mp3_, got.body.size()));
}

TEST_F(StationdStream, HeaderPaddingMakesAHugeHead) {
    auto client = open(server_, "/mp3?header_padding=1048576", false, 1048576 + 1000);
    const Response got = Response::parse(client->data());
    ASSERT_TRUE(got.complete);
    EXPECT_GE(got.headSize, 1048576u);
    EXPECT_EQ(got.header("icy-name"), "Teszt Rádió MP3");
    EXPECT_TRUE(got.body == looped(mp3_, got.body.size()));
}

}  // namespace
