// What arrives over the connection: the answer's header lines, playlists, the metadata blocks
// woven into the audio, the titles and text they carry, and when to connect again.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fixtures.h"
#include "net/icydemuxer.h"
#include "net/playlistparser.h"
#include "net/reconnectschedule.h"
#include "net/responseheaders.h"
#include "tagtext.h"

namespace {

using namespace std::string_literals;
using Urls = std::vector<std::string>;
using Titles = std::vector<std::pair<std::size_t, std::string>>;  // audio offset, text

TEST(ResponseHeaders, IcyAnswerWithLowerCasedNames) {
    zva::ResponseHeaders h;
    for (const char* line : {"ICY 200 OK\r\n", "Icy-Name: Rádió\r\n", "ICY-BR:128\r\n",
                             "Content-Type: audio/mpeg\r\n", "icy-metaint: 8192\r\n", "\r\n"}) {
        ASSERT_TRUE(h.addLine(line));
    }
    EXPECT_TRUE(h.isIcy());
    EXPECT_FALSE(h.isHttp());
    EXPECT_EQ(h.statusCode(), 200);
    EXPECT_EQ(h.value("content-type"), "audio/mpeg");
    EXPECT_EQ(h.number("icy-metaint"), 8192);
    EXPECT_EQ(h.number("icy-br"), 128);
    EXPECT_EQ(h.number("icy-name"), -1);
    EXPECT_EQ(h.block(),
              "ICY 200 OK\0icy-name: Rádió\0icy-br:128\0"
              "Content-Type: audio/mpeg\0icy-metaint: 8192\0\0"s);
}

TEST(ResponseHeaders, RedirectAnswerIsReplaced) {
    zva::ResponseHeaders h;
    for (const char* line : {"HTTP/1.1 302 Found\r\n", "Location: /x\r\n", "\r\n",
                             "HTTP/1.0 200 OK\r\n", "icy-br: 64,64\r\n", "\r\n"}) {
        ASSERT_TRUE(h.addLine(line));
    }
    EXPECT_EQ(h.block().substr(0, 16), "HTTP/1.0 200 OK\0"s);
    EXPECT_TRUE(h.isHttp());
    EXPECT_EQ(h.value("Location"), "");
    EXPECT_EQ(h.number("icy-br"), 64);
}

// Addresses in entry order (.pls) or line order (.m3u), only http(s) ones, however the text
// arrives.
TEST(PlaylistParser, TakesTheStreamAddressesWhereverSplit) {
    const struct {
        std::string text;
        Urls urls;
    } cases[] = {
        {"\xEF\xBB\xBF[Playlist]\r\nNumberOfEntries=3\r\nFile2=http://b.example/2\r\n"
         "Title2=Two\r\nfile1 = HTTPS://a.example/1 \r\nFile3=/etc/passwd\r\nVersion=2\r\n",
         {"HTTPS://a.example/1", "http://b.example/2"}},
        {"[other]\nFile1=http://no.example/\n[playlist]\nFileX=http://bad.example/\n"
         "File=http://bad.example/\nFile1=http://yes.example/\n",
         {"http://yes.example/"}},
        {"#EXTM3U\n#EXTINF:-1,Radio\nhttp://a.example/live\n\n  \n"
         "relative/path.mp3\nftp://x.example/\nhttps://b.example/x?y=1\n",
         {"http://a.example/live", "https://b.example/x?y=1"}},
        {"http://only.example/stream", {"http://only.example/stream"}},
        {"\r\n\r\n", {}},
    };
    for (const auto& c : cases) {
        for (std::size_t cut = 0; cut <= c.text.size() + 1; ++cut) {
            zva::PlaylistParser parser;
            zvtest::feedSplit(c.text, cut,
                              [&](auto* p, std::size_t n) { ASSERT_TRUE(parser.feed(p, n)); });
            ASSERT_EQ(parser.finish(), c.urls) << c.text << "\ncut at " << cut;
        }
    }
}

TEST(PlaylistParser, RecognisesPlaylists) {
    const struct {
        const char* contentType;
        const char* url;
        const char* head;
        bool playlist;
    } cases[] = {
        {"audio/x-scpls", "http://h/x", "", true},
        {"audio/x-mpegurl; charset=utf-8", "http://h/x", "", true},
        {"", "http://h/list.PLS?x=1", "", true},
        {"text/plain", "http://h/list.m3u", "http://a", true},
        {"text/plain", "http://h/x", "\n[playlist]\nFile1=http://a", true},
        {"text/plain", "http://h/x", "#EXTM3U\n", true},
        {"audio/mpeg", "http://h/stream", "\xFF\xFB\x90", false},
        // An audio content type wins over the address's ending.
        {"audio/mpeg", "http://h/radio.pls", "\xFF\xFB\x90", false},
        {"Audio/AAC", "http://h/radio.m3u", "\xFF\xF1", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(zva::PlaylistParser::looksLikePlaylist(c.contentType, c.url, c.head), c.playlist)
            << c.contentType << " " << c.url;
    }
}

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

TEST(TagText, TheTitleRunsToTheFirstQuoteSemicolonElseTheLastQuote) {
    const struct {
        const char* block;
        std::optional<std::string> title;
    } rows[] = {
        {"StreamTitle='Artist - Song';StreamUrl='';", "Artist - Song"},
        {"StreamTitle='';", ""},
        {"StreamTitle='A; B;C';StreamUrl='';", "A; B;C"},
        {"StreamTitle='It's; here';", "It's; here"},
        {"StreamTitle='No semicolon'", "No semicolon"},
        {"StreamTitle='Quote 'n' more", "Quote 'n"},
        {"StreamTitle='Open end", "Open end"},
        {"StreamTitle=';", ";"},
        {"StreamTitle='", ""},
        {"streamtitle='Artist';", std::nullopt},
        {"StreamUrl='x';StreamTitle='y';", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(zva::streamTitle(row.block), row.title) << row.block;
    }
}

TEST(TagText, Utf8StaysAndOtherBytesAreWindows1250) {
    const struct {
        const char* bytes;
        const char* text;
    } rows[] = {
        {"", ""},
        {"Els\xC5\x91 El\xC5\x91"
         "ad\xC3\xB3",
         "Első Előadó"},
        // "Árvíztűrő" in Windows-1250: Á=C1 í=ED ű=FB ő=F5.
        {"\xC1rv\xEDzt\xFBr\xF5", "Árvíztűrő"},
        {"\x8A\xE8", "Šč"},
        // A cut sequence, a lone continuation byte, an overlong form and a surrogate are no UTF-8.
        {"a\xE9", "aé"},
        {"\xC5", "Ĺ"},
        {"\xC0\xAF", "ŔŻ"},
        {"\xED\xA0\x80", "í\u00A0€"},
        // 0x81 and 0x98 have no character in the code page.
        {"x\x81y\x98", "x\uFFFDy\uFFFD"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(zva::tagTextToUtf8(row.bytes), row.text) << row.bytes;
    }
}

// Quick tries first, then every 3 s, and a last one when the give-up time has passed.
TEST(ReconnectSchedule, BacksOffUntilTheGiveUpTime) {
    using std::chrono::milliseconds;
    const auto lost = zva::ReconnectSchedule::Clock::now();
    zva::ReconnectSchedule schedule(lost, milliseconds(10000));
    auto now = lost;
    for (const int at : {200, 700, 1700, 3700, 6700, 9700, 10000}) {
        const auto next = schedule.next(now);
        ASSERT_TRUE(next.has_value()) << at;
        EXPECT_EQ(*next - lost, milliseconds(at));
        now = *next;
    }
    EXPECT_FALSE(schedule.next(now).has_value());
}

}  // namespace
