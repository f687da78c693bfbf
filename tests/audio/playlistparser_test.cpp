#include "net/playlistparser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures.h"

namespace {

using Urls = std::vector<std::string>;

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

}  // namespace
